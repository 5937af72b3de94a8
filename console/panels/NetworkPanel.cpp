#include "NetworkPanel.h"

#include <kvqdoccam.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "CommandIds.h"
#include "FrameCodecs.h"
#include "LanguageText.h"
#include "SkinButton.h"
#include "telvane/TypeRegistry.h"

namespace {

const wchar_t kSection[] = L"CNetworkPanel";
const char kServiceType[] = "_dovraorbile._tcp";
const char kLocalServer[] = "this_plova";
// DNS-SD sockets report here (WSAAsyncSelect).
const UINT WM_DNSSD_SOCKET = 0x500;
// A viewer's command for the UI thread; lParam holds a UiJob.
const UINT WM_RUN_ON_UI = WM_APP + 0x50;
// Ends sharing after a failed registration, outside DNS-SD's callback.
const UINT WM_SHARING_FAILED = WM_APP + 0x51;

const uint32_t kPictureBytes = 3840000;
const size_t kSnapshotBytes = 2560000;
const DWORD kReceiveRetryMs = 5;
const DWORD kPictureGapMs = 3000;

struct QualityItem {
    const wchar_t* key;
    int quality;
};
const QualityItem kQualities[3] = {
    {L"itemVideoQualityLow", 20}, {L"itemVideoQualityMedium", 50}, {L"itemVideoQualityHigh", 80}};

std::string Utf8(const std::wstring& text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return std::string();
    std::string out(size_t(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], size, nullptr, nullptr);
    out.resize(size_t(size - 1));
    return out;
}

std::wstring Wide(const char* text)
{
    const int size = text ? MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0) : 0;
    if (size <= 1) return std::wstring();
    std::wstring out(size_t(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, &out[0], size);
    out.resize(size_t(size - 1));
    return out;
}

std::wstring WindowText(HWND window)
{
    wchar_t text[1000] = L"";
    if (window) ::GetWindowTextW(window, text, 1000);
    return text;
}

std::wstring ListText(HWND list, int index)
{
    const LRESULT length = ::SendMessageW(list, LB_GETTEXTLEN, WPARAM(index), 0);
    if (length == LB_ERR) return std::wstring();
    std::wstring text(size_t(length) + 1, L'\0');
    ::SendMessageW(list, LB_GETTEXT, WPARAM(index), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(size_t(length));
    return text;
}

// The first IPv4 address of a host, or false when the name does not resolve.
bool LookUpHost(const char* host, uint16_t portNetworkOrder, sockaddr_in* address)
{
    const hostent* found = host ? gethostbyname(host) : nullptr;
    if (!found || found->h_addrtype != AF_INET || !found->h_addr_list || !found->h_addr_list[0]) return false;
    *address = sockaddr_in{};
    address->sin_family = AF_INET;
    address->sin_port = portNetworkOrder;
    std::memcpy(&address->sin_addr, found->h_addr_list[0], sizeof address->sin_addr);
    return true;
}

// One viewer's command handed to the UI thread. The command server thread
// gives up on it when the UI thread has not started it in time; once
// started it runs to its end, and the waiter waits for that.
struct UiJob {
    enum State { PENDING, RUNNING, FINISHED, CANCELLED };
    explicit UiJob(const std::function<void()>& w) : work(w) {}
    const std::function<void()>& work;
    std::mutex lock;
    std::condition_variable changed;
    State state = PENDING;
};

void RunJob(const std::shared_ptr<UiJob>& job)
{
    {
        std::lock_guard<std::mutex> guard(job->lock);
        if (job->state == UiJob::CANCELLED) return;
        job->state = UiJob::RUNNING;
    }
    job->work();
    std::lock_guard<std::mutex> guard(job->lock);
    job->state = UiJob::FINISHED;
    job->changed.notify_all();
}

// The button a viewer's command character presses; main-window commands
// are marked.
struct RemoteCommand {
    uint8_t code;
    unsigned short id;
    bool mainWindow;
};
const RemoteCommand kRemoteCommands[] = {
    {'+', ID_ZOOM_IN, false},  {'-', ID_ZOOM_OUT, false},        {'r', ID_ZOOM_RESET, false},
    {'^', ID_PAN_UP, true},    {'v', ID_PAN_DOWN, true},         {'<', ID_PAN_LEFT, true},
    {'>', ID_PAN_RIGHT, true}, {'a', ID_AUTO_FOCUS, false},      {'f', ID_FREEZE, false},
    {'t', ID_ROTATE, false},   {'m', ID_MIRROR, false},          {'c', ID_COLOUR_MODE, false},
    {'e', ID_EXPOSURE, false}, {'w', ID_WHITE_BALANCE, false},   {'i', ID_AUTO_IMAGE, false},
    {'~', ID_MOTION, false},   {'n', ID_BRIGHTNESS_DOWN, false},
};

}  // namespace

struct CNetWorkPanel::PendingResolve {
    CNetWorkPanel* panel;
    DNSServiceRef ref;
    bool toConnect;
};

CNetWorkPanel::CNetWorkPanel(IPanelHost& host, INetworkHost& network) : m_host(host), m_network(network) {}

CNetWorkPanel::~CNetWorkPanel() { Shutdown(); }

void CNetWorkPanel::CreateControls(int)
{
    m_uiThread = GetCurrentThreadId();
    Telvane::registerTypes();
    m_localEntry = ReadIniString(kSection, L"itemLocalDocumentCamera", L"this");
    CreateViewingControls();
    CreateSharingControls();
    m_tipTargets[0].Attach(m_shareButton);
    m_tipTargets[1].Attach(m_controlOn);
    const struct {
        CWnd* control;
        const wchar_t* key;
        const wchar_t* text;
    } tips[3] = {{&m_serverList, L"tipSelectVideoSource", L"Select video source"},
                 {&m_tipTargets[0], L"tipStartSharingDoccam", L"Start sharing doccam"},
                 {&m_tipTargets[1], L"tipClientControllable", L"Start sharing doccam"}};
    for (int i = 0; i < 3; ++i)
        AddControlTip(m_tips[i], this, tips[i].control, ReadIniString(kSection, tips[i].key, tips[i].text));
    StartBrowsing();
}

void CNetWorkPanel::CreateViewingControls()
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    m_serverList.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY, CRect(10, 10, 270, 160), this,
                        ID_SERVER_LIST);
    ::SendMessageW(m_serverList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(m_localEntry.c_str()));
    ::SendMessageW(m_serverList, LB_SETCURSEL, 0, 0);
    m_previousChoice = m_localEntry;
    m_currentServer = kLocalServer;
    m_status = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 10, 170, 400, 20, m_hWnd,
                               reinterpret_cast<HMENU>(ID_STATUS), instance, nullptr);
}

void CNetWorkPanel::CreateSharingControls()
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    auto child = [&](const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h, int id) {
        return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, m_hWnd,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    };
    m_nameField = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 290, 10, 240,
                                  24, m_hWnd, reinterpret_cast<HMENU>(ID_SERVICE_NAME), instance, nullptr);
    ::SendMessageW(m_nameField, EM_LIMITTEXT, 999, 0);
    m_shareButton = child(L"BUTTON", ReadIniString(kSection, L"tipStartSharingDoccam", L"Start sharing doccam"),
                          BS_AUTOCHECKBOX | BS_PUSHLIKE, 540, 10, 150, 24, ID_SHARING);
    const std::wstring controllable = ReadIniString(kSection, L"tipClientControllable", L"Start sharing doccam");
    m_controlOn = child(L"BUTTON", controllable.c_str(), BS_RADIOBUTTON, 290, 44, 240, 20, ID_REMOTE_CONTROL_ON);
    m_controlOff = child(L"BUTTON", L"-", BS_RADIOBUTTON, 540, 44, 150, 20, ID_REMOTE_CONTROL_OFF);
    SetControllable(m_controllable.load());

    m_qualityBox = child(L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_VSCROLL, 290, 74, 240, 120, ID_QUALITY);
    for (const QualityItem& item : kQualities)
        ::SendMessageW(m_qualityBox, CB_ADDSTRING, 0,
                       reinterpret_cast<LPARAM>(ReadIniString(kSection, item.key, item.key)));
    ::SendMessageW(m_qualityBox, CB_SETCURSEL, 1, 0);
    m_quality = kQualities[1].quality;
}

void CNetWorkPanel::Shutdown()
{
    if (m_registration) StopSharing();
    m_server.stop();
    Disconnect();
    for (auto& pending : m_pendingResolves) DNSServiceRefDeallocate(pending->ref);
    m_pendingResolves.clear();
    if (m_browse) DNSServiceRefDeallocate(m_browse);
    m_browse = nullptr;
}

void CNetWorkPanel::SetServiceName(const wchar_t* name)
{
    if (m_nameField) ::SetWindowTextW(m_nameField, name);
}

std::wstring CNetWorkPanel::ServiceName() const { return WindowText(m_nameField); }

void CNetWorkPanel::SetControllable(bool controllable)
{
    m_controllable = controllable;
    if (m_controlOn) ::SendMessageW(m_controlOn, BM_SETCHECK, controllable ? BST_CHECKED : BST_UNCHECKED, 0);
    if (m_controlOff) ::SendMessageW(m_controlOff, BM_SETCHECK, controllable ? BST_UNCHECKED : BST_CHECKED, 0);
}

BOOL CNetWorkPanel::PreTranslateMessage(MSG* msg)
{
    for (CToolTipCtrl& tip : m_tips)
        if (tip.m_hWnd) tip.RelayEvent(msg);
    return CBasePanel2::PreTranslateMessage(msg);
}

BOOL CNetWorkPanel::OnButtonEvent(unsigned short id)
{
    switch (id) {
    case ID_SHARING:
        ToggleSharing();
        return TRUE;
    case ID_REMOTE_CONTROL_ON:
    case ID_REMOTE_CONTROL_OFF:
        SetControllable(id == ID_REMOTE_CONTROL_ON);
        return TRUE;
    default:
        return FALSE;
    }
}

LRESULT CNetWorkPanel::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DNSSD_SOCKET:
        OnDnssdSocket(static_cast<SOCKET>(wParam));
        return 0;
    case WM_RUN_ON_UI: {
        std::unique_ptr<std::shared_ptr<UiJob>> job(reinterpret_cast<std::shared_ptr<UiJob>*>(lParam));
        RunJob(*job);
        return 0;
    }
    case WM_SHARING_FAILED:
        if (m_registration) StopSharing();
        if (static_cast<DNSServiceErrorType>(wParam) == kDNSServiceErr_NameConflict)
            IniMessageBox(m_hWnd, L"Messages", L"warnServiceNameInUse");
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == ID_SERVER_LIST && HIWORD(wParam) == LBN_SELCHANGE) {
            OnServerChosen();
            return 0;
        }
        if (LOWORD(wParam) == ID_QUALITY && HIWORD(wParam) == CBN_SELCHANGE) {
            const LRESULT index = ::SendMessageW(m_qualityBox, CB_GETCURSEL, 0, 0);
            if (index >= 0 && index < 3) m_quality = kQualities[index].quality;
            return 0;
        }
        break;
    default:
        break;
    }
    return CBasePanel2::WindowProc(message, wParam, lParam);
}

// Sharing.

void CNetWorkPanel::ToggleSharing()
{
    if (m_registration) {
        StopSharing();
        return;
    }
    KVQDocCamController* camera = m_host.CurrentController();
    if (!camera || !camera->m_status.modelCode || !StartSharing()) {
        ::SendMessageW(m_shareButton, BM_SETCHECK, BST_UNCHECKED, 0);
        return;
    }
    ::SendMessageW(m_shareButton, BM_SETCHECK, BST_CHECKED, 0);
    ::EnableWindow(m_nameField, FALSE);
}

bool CNetWorkPanel::StartSharing()
{
    srand(unsigned(time(nullptr)));
    m_multicastPort = DrawSharingPort(m_knownServerPorts, rand);
    m_network.SetImageProvider(std::make_unique<Telvane::MulticastImageProvider>(inet_addr(Telvane::kPictureGroup),
                                                                                 htons(uint16_t(m_multicastPort))));

    sockaddr_in bound{};
    int boundSize = sizeof bound;
    if (getsockname(m_server.listeningSocket(), reinterpret_cast<sockaddr*>(&bound), &boundSize) != 0) return false;

    std::wstring asked = ServiceName();
    if (asked.empty()) {
        wchar_t user[257] = L"";
        DWORD size = 257;
        GetUserNameW(user, &size);
        asked = user;
    }
    const std::string name = SharingServiceName(Utf8(asked), Utf8(m_localEntry));
    SetServiceName(Wide(name.c_str()).c_str());

    if (DNSServiceRegister(&m_registration, 0, 0, name.c_str(), kServiceType, "", nullptr, bound.sin_port, 0, nullptr,
                           &CNetWorkPanel::RegisterReply, this) != kDNSServiceErr_NoError) {
        m_registration = nullptr;
        m_network.SetImageProvider(nullptr);
        return false;
    }
    WatchSocket(m_registration);
    m_server.setCallback(this);
    // A loop of an earlier sharing is joined first, so the port is never
    // served twice.
    m_server.start();
    return true;
}

void CNetWorkPanel::StopSharing()
{
    // The goodbye goes out now: viewers drop the service at once.
    if (m_registration) DNSServiceRefDeallocate(m_registration);
    m_registration = nullptr;
    m_network.SetImageProvider(nullptr);
    m_server.stop();
    ::SendMessageW(m_shareButton, BM_SETCHECK, BST_UNCHECKED, 0);
    ::EnableWindow(m_nameField, TRUE);
}

void DNSSD_API CNetWorkPanel::RegisterReply(DNSServiceRef, DNSServiceFlags, DNSServiceErrorType error, const char* name,
                                            const char* type, const char* domain, void* context)
{
    fputs(RegistrationReplyLine(error, name, type, domain).c_str(), stdout);
    fflush(stdout);
    static_cast<CNetWorkPanel*>(context)->OnRegistered(error, name);
}

void CNetWorkPanel::OnRegistered(DNSServiceErrorType error, const char* name)
{
    if (error == kDNSServiceErr_NoError) {
        // After a rename the field shows the name viewers see.
        SetServiceName(Wide(name).c_str());
        return;
    }
    // Not from inside DNS-SD's own callback: the registration goes with it.
    ::PostMessageW(m_hWnd, WM_SHARING_FAILED, WPARAM(error), 0);
}

void CNetWorkPanel::FillCameraStateHeader(uint8_t header[kCameraStateHeaderBytes])
{
    KVQDocCamController* camera = m_host.CurrentController();
    if (!camera) {
        std::memset(header, 0, kCameraStateHeaderBytes);
        return;
    }
    const DocCamStatus& status = camera->m_status;
    SharedCameraState state;
    state.model = status.modelCode & 0x7F;
    state.features = camera->GetDocCamModelFeature(0);
    state.brightness = status.brightness;
    state.zoomSize = camera->GetZoomSize(0);
    state.digitalZoomSize = status.zoomDigitalSize;
    state.shownZoomMax = camera->GetAdaptZoomMax();
    state.rotation = status.rotate;
    state.mirror = status.mirror;
    state.frozen = status.frozen != 0;
    state.colourMode = status.effect;
    state.whiteBalanceMode = status.wbMode;
    state.exposureMode = status.exposureMode;
    state.controllable = m_controllable.load();
    state.motion = status.motionMode != 0;
    state.statusBit3 = status.statusFlags17[1] != 0;
    state.sharing = true;
    state.external = status.intExt != 0;
    state.extendedStatus = status.statusFlags17[3] != 0;
    state.autoImage = status.statusFlags17[2] != 0;
    BuildCameraStateHeader(state, header);
}

// Viewers' commands, on the command server's thread.

bool CNetWorkPanel::RunOnUiThread(const std::function<void()>& work)
{
    if (GetCurrentThreadId() == m_uiThread) {
        work();
        return true;
    }
    auto job = std::make_shared<UiJob>(work);
    auto* posted = new std::shared_ptr<UiJob>(job);
    if (!m_hWnd || !::PostMessageW(m_hWnd, WM_RUN_ON_UI, 0, reinterpret_cast<LPARAM>(posted))) {
        delete posted;
        return false;
    }
    std::unique_lock<std::mutex> guard(job->lock);
    if (job->changed.wait_for(guard, std::chrono::milliseconds(kUiWaitMs),
                              [&] { return job->state == UiJob::FINISHED; }))
        return true;
    if (job->state == UiJob::PENDING) {
        job->state = UiJob::CANCELLED;
        return false;
    }
    job->changed.wait(guard, [&] { return job->state == UiJob::FINISHED; });
    return true;
}

void CNetWorkPanel::onCommand(Telvane::CmdServer*, Telvane::Socket client, const void* frame, uint32_t length)
{
    std::unique_ptr<Telvane::Object> object(Telvane::decodeMessage(frame, length));
    if (auto* command = dynamic_cast<Telvane::Cmd*>(object.get())) command->execute(this, client);
}

void CNetWorkPanel::onQueryMulticastAddress(Telvane::Socket replySocket)
{
    uint8_t reply[8] = {};
    const uint32_t group = inet_addr(Telvane::kPictureGroup);
    const uint16_t port = htons(uint16_t(m_multicastPort));
    std::memcpy(reply, &group, 4);
    std::memcpy(reply + 4, &port, 2);
    Telvane::net::sendAll(replySocket, reply, sizeof reply);
}

void CNetWorkPanel::onDocCamCmd(uint8_t code, uint8_t arg1, uint8_t, uint8_t)
{
    RunOnUiThread([&] {
        m_viewerCommand = true;
        CarryOutViewerCommand(code, arg1);
        m_viewerCommand = false;
    });
}

void CNetWorkPanel::CarryOutViewerCommand(uint8_t code, uint8_t arg1)
{
    if (code == 'b') {
        if (KVQDocCamController* camera = m_host.CurrentController()) camera->SetBrightnessEx(arg1);
        return;
    }
    for (const RemoteCommand& command : kRemoteCommands) {
        if (command.code != code) continue;
        if (command.mainWindow)
            m_host.OnMainCommand(command.id);
        else
            m_network.PressCameraButton(command.id);
        return;
    }
}

void CNetWorkPanel::onAnnotation(Telvane::Graphic* graphic)
{
    if (!graphic) return;
    RunOnUiThread([&] {
        if (IRemoteAnnotations* annotations = m_network.RemoteAnnotations()) annotations->DrawRemoteGraphic(*graphic);
    });
}

void CNetWorkPanel::onEraseAllAnnotation()
{
    RunOnUiThread([&] {
        if (IRemoteAnnotations* annotations = m_network.RemoteAnnotations()) annotations->EraseAllAnnotations();
    });
}

void CNetWorkPanel::onQueryCapability(Telvane::Socket replySocket)
{
    uint8_t reply[kCapabilityReplyBytes] = {};
    RunOnUiThread([&] {
        KVQDocCamController* camera = m_host.CurrentController();
        if (!camera) return;
        SharedCameraFacts facts;
        facts.model = camera->m_status.modelCode & 0x7F;
        facts.zoomMax = camera->GetZoomMax();
        facts.features = camera->GetDocCamModelFeature(0);
        facts.brightnessMax = camera->m_status.brightnessMax;
        BuildCapabilityReply(facts, reply);
    });
    Telvane::net::sendAll(replySocket, reply, sizeof reply);
}

void CNetWorkPanel::onQueryCapabilityV2(Telvane::Socket replySocket)
{
    uint8_t reply[kCapabilityReplyV2Bytes];
    BuildCapabilityReplyV2(reply);
    Telvane::net::sendAll(replySocket, reply, sizeof reply);
}

void CNetWorkPanel::onSnapshot(Telvane::SnapshotCmd* cmd, float, float, uint8_t)
{
    std::vector<uint8_t> jpeg(kSnapshotBytes);
    bool encoded = false;
    RunOnUiThread([&] { encoded = m_network.EncodeCurrentFrame(jpeg, 100); });
    // No reply without a picture: the viewer's own time-out ends its wait.
    if (encoded) cmd->sendReply(jpeg.data(), uint32_t(jpeg.size()));
}

void CNetWorkPanel::onHighQualitySnapshot(Telvane::HighQualitySnapshotCmd* cmd)
{
    bool requested = false;
    RunOnUiThread([&] { requested = m_network.RequestLargeStill(); });
    if (!requested) return;
    std::vector<uint8_t> jpeg(kLargeStillBytes);
    if (m_network.TakeLargeStill(jpeg, kLargeStillWaitMs)) cmd->sendReply(jpeg.data(), uint32_t(jpeg.size()));
}

// Viewing.

void CNetWorkPanel::WatchSocket(DNSServiceRef ref)
{
    WSAAsyncSelect(DNSServiceRefSockFD(ref), m_hWnd, WM_DNSSD_SOCKET, FD_READ | FD_CLOSE);
}

void CNetWorkPanel::OnDnssdSocket(SOCKET socket)
{
    if (m_registration && socket == DNSServiceRefSockFD(m_registration)) {
        DNSServiceProcessResult(m_registration);
        return;
    }
    if (m_browse && socket == DNSServiceRefSockFD(m_browse)) {
        DNSServiceProcessResult(m_browse);
        return;
    }
    for (size_t i = 0; i < m_pendingResolves.size(); ++i) {
        if (DNSServiceRefSockFD(m_pendingResolves[i]->ref) != socket) continue;
        // The answer may start another resolve: the entry is taken out first.
        std::unique_ptr<PendingResolve> pending = std::move(m_pendingResolves[i]);
        m_pendingResolves.erase(m_pendingResolves.begin() + std::ptrdiff_t(i));
        DNSServiceProcessResult(pending->ref);
        DNSServiceRefDeallocate(pending->ref);
        return;
    }
}

void CNetWorkPanel::StartBrowsing()
{
    if (DNSServiceBrowse(&m_browse, 0, 0, kServiceType, "", &CNetWorkPanel::BrowseReply, this) !=
        kDNSServiceErr_NoError) {
        m_browse = nullptr;
        return;
    }
    WatchSocket(m_browse);
}

void DNSSD_API CNetWorkPanel::BrowseReply(DNSServiceRef, DNSServiceFlags flags, uint32_t interfaceIndex,
                                          DNSServiceErrorType error, const char* name, const char* type,
                                          const char* domain, void* context)
{
    static_cast<CNetWorkPanel*>(context)->OnBrowse(flags, interfaceIndex, error, name, type, domain);
}

void CNetWorkPanel::OnBrowse(DNSServiceFlags flags, uint32_t interfaceIndex, DNSServiceErrorType error,
                             const char* name, const char* type, const char* domain)
{
    if (error != kDNSServiceErr_NoError || !name) return;
    const std::wstring shownName = Wide(name);
    if (flags & kDNSServiceFlagsAdd) {
        ServiceRecord record;
        record.interfaceIndex = interfaceIndex;
        record.flags = flags;
        record.name = name;
        record.type = type ? type : "";
        record.domain = domain ? domain : "";
        const bool isNew = m_services.Add(record);
        Resolve(record, false);
        const bool ownService = m_registration && shownName == ServiceName();
        if (isNew && !ownService)
            ::SendMessageW(m_serverList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shownName.c_str()));
        return;
    }
    if (!m_services.Remove(name, interfaceIndex)) return;
    const LRESULT index =
        ::SendMessageW(m_serverList, LB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(shownName.c_str()));
    // LB_FINDSTRINGEXACT ignores case: only the item of exactly this name goes.
    if (index != LB_ERR && ListText(m_serverList, int(index)) == shownName)
        ::SendMessageW(m_serverList, LB_DELETESTRING, WPARAM(index), 0);
    if (!m_localChosen && m_currentServer == name) {
        ::SendMessageW(m_serverList, LB_SETCURSEL, WPARAM(-1), 0);
        m_currentServer.clear();
        m_previousChoice.clear();
        Disconnect();
        ReturnToLocalCamera();
    }
    Invalidate(FALSE);
}

void CNetWorkPanel::Resolve(const ServiceRecord& service, bool toConnect)
{
    auto pending = std::make_unique<PendingResolve>(PendingResolve{this, nullptr, toConnect});
    if (DNSServiceResolve(&pending->ref, 0, service.interfaceIndex, service.name.c_str(), service.type.c_str(),
                          service.domain.c_str(), &CNetWorkPanel::ResolveReply,
                          pending.get()) != kDNSServiceErr_NoError) {
        if (toConnect) OnConnectResolved(kDNSServiceErr_Unknown, nullptr, 0);
        return;
    }
    WatchSocket(pending->ref);
    m_pendingResolves.push_back(std::move(pending));
}

void DNSSD_API CNetWorkPanel::ResolveReply(DNSServiceRef, DNSServiceFlags, uint32_t, DNSServiceErrorType error,
                                           const char*, const char* host, uint16_t port, uint16_t, const unsigned char*,
                                           void* context)
{
    auto* pending = static_cast<PendingResolve*>(context);
    if (pending->toConnect)
        pending->panel->OnConnectResolved(error, host, port);
    else if (error == kDNSServiceErr_NoError)
        pending->panel->RecordServerPort(host, port);
}

void CNetWorkPanel::RecordServerPort(const char* host, uint16_t port)
{
    sockaddr_in address;
    if (!LookUpHost(host, port, &address)) return;
    Telvane::CmdClient client(&address);
    uint32_t group = 0;
    uint16_t multicastPort = 0;
    if (client.queryMulticastAddress(group, multicastPort)) m_knownServerPorts.insert(ntohs(multicastPort));
}

void CNetWorkPanel::SelectListText(const std::wstring& text)
{
    const LRESULT index = text.empty() ? LB_ERR
                                       : ::SendMessageW(m_serverList, LB_FINDSTRINGEXACT, WPARAM(-1),
                                                        reinterpret_cast<LPARAM>(text.c_str()));
    ::SendMessageW(m_serverList, LB_SETCURSEL, index == LB_ERR ? WPARAM(-1) : WPARAM(index), 0);
}

void CNetWorkPanel::SetStatus(const wchar_t* text) { ::SetWindowTextW(m_status, text); }

void CNetWorkPanel::OnServerChosen()
{
    const LRESULT index = ::SendMessageW(m_serverList, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR) return;
    const std::wstring chosen = ListText(m_serverList, int(index));
    if (chosen == m_previousChoice) return;
    // One connection is set up at a time.
    if (!m_pendingChoice.empty()) {
        SelectListText(m_previousChoice);
        return;
    }
    SetStatus(L"");
    if (_wcsicmp(chosen.c_str(), m_localEntry.c_str()) == 0) {
        m_previousChoice = chosen;
        Disconnect();
        ReturnToLocalCamera();
        return;
    }
    const ServiceRecord* service = m_services.Find(Utf8(chosen));
    if (!service) {
        SelectListText(m_previousChoice);
        return;
    }
    // The picture shown stays until the new server answers.
    m_pendingChoice = chosen;
    Resolve(*service, true);
}

void CNetWorkPanel::OnConnectResolved(DNSServiceErrorType error, const char* host, uint16_t port)
{
    const std::wstring chosen = m_pendingChoice;
    m_pendingChoice.clear();
    if (chosen.empty()) return;
    if (error != kDNSServiceErr_NoError || !ConnectToServer(host, port)) {
        if (error == kDNSServiceErr_NoError)
            SetStatus(ReadIniString(kSection, L"staticServerUnconnectable", L"Server unconnectable"));
        // The previous choice stays in force, with its picture.
        SelectListText(m_previousChoice);
        return;
    }
    m_previousChoice = chosen;
    m_currentServer = Utf8(chosen);
}

bool CNetWorkPanel::ConnectToServer(const char* host, uint16_t port)
{
    sockaddr_in address;
    if (!LookUpHost(host, port, &address)) return false;
    auto client = std::make_unique<Telvane::CmdClient>(&address);
    uint32_t group = 0;
    uint16_t multicastPort = 0;
    if (!client->connected() || !client->queryMulticastAddress(group, multicastPort)) return false;
    auto receiver = std::make_unique<Telvane::MulticastImageReceiver>(group, multicastPort);
    if (!receiver->usable()) return false;
    uint8_t capability[kCapabilityReplyBytes] = {};
    RemoteCapability reported;
    if (Telvane::QueryCapabilityCmd().request(*client, capability))
        RemoteCapability::Parse(capability, sizeof capability, &reported);

    Disconnect();
    m_client = std::move(client);
    m_receiver = std::move(receiver);
    m_capability = reported;
    m_localChosen = false;
    m_connection = RECEIVING;
    m_newConnection = true;
    EnableSharingControls(false);
    m_network.ShowRemoteCamera(this);
    m_receiveThread = std::thread(&CNetWorkPanel::ReceivePictures, this);
    return true;
}

void CNetWorkPanel::ReceivePictures()
{
    Telvane::PictureBuffers buffers(kPictureBytes, kCameraStateHeaderBytes);
    int next = 0;
    DWORD lastPictureTick = 0;
    bool counted = false;
    while (m_connection.load() == RECEIVING) {
        if (!m_receiver->receive(buffers)) {
            Sleep(kReceiveRetryMs);
            continue;
        }
        RemoteCameraState state;
        if (RemoteCameraState::Parse(buffers.meta.data(), buffers.metaLength, &state)) {
            std::lock_guard<std::mutex> guard(m_stateLock);
            m_latestState = state;
        }
        CFrameBuffer& picture = m_pictures[next];
        if (!DecodeCameraJpeg(picture, buffers.picture.data(), int(buffers.pictureLength))) break;
        // A gap of seconds is a pause of the sender, not its picture rate.
        const DWORD now = GetTickCount();
        const DWORD interval = counted && now - lastPictureTick < kPictureGapMs ? now - lastPictureTick : 0;
        lastPictureTick = now;
        counted = true;
        m_network.ShowRemotePicture(picture, interval);
        next ^= 1;
    }
    m_connection = STOPPED;
}

void CNetWorkPanel::Disconnect()
{
    if (m_receiveThread.joinable()) {
        if (m_connection.load() == RECEIVING) m_connection = STOP_REQUESTED;
        m_receiver->interrupt();
        m_receiveThread.join();
    }
    m_connection = STOPPED;
    m_receiver.reset();
    m_client.reset();
}

void CNetWorkPanel::ReturnToLocalCamera()
{
    m_localChosen = true;
    m_currentServer = kLocalServer;
    EnableSharingControls(true);
    m_network.ShowRemoteCamera(nullptr);
    m_host.RepaintPicture(false);
}

LRESULT CNetWorkPanel::LocalEntryIndex()
{
    const LRESULT index =
        ::SendMessageW(m_serverList, LB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(m_localEntry.c_str()));
    // LB_FINDSTRINGEXACT ignores case: a service may be named like the entry.
    return index != LB_ERR && ListText(m_serverList, int(index)) == m_localEntry ? index : LB_ERR;
}

void CNetWorkPanel::RemoveLocalEntry()
{
    const LRESULT index = LocalEntryIndex();
    if (index != LB_ERR) ::SendMessageW(m_serverList, LB_DELETESTRING, WPARAM(index), 0);
}

void CNetWorkPanel::ShowLocalCameraPresence(bool present)
{
    if (!present) {
        if (m_registration) StopSharing();
        SetStatus(ReadIniString(kSection, L"staticUsbUnconnected", L"Usb unconnected"));
        EnableSharingControls(false);
        Invalidate(FALSE);
        return;
    }
    SetStatus(L"");
    if (LocalEntryIndex() == LB_ERR)
        ::SendMessageW(m_serverList, LB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(m_localEntry.c_str()));
    // While another console is viewed its sharing controls stay off.
    if (m_connection.load() != RECEIVING) EnableSharingControls(true);
    if (::SendMessageW(m_serverList, LB_GETCURSEL, 0, 0) == LB_ERR) {
        ::SendMessageW(m_serverList, LB_SETCURSEL, 0, 0);
        OnServerChosen();
    }
    Invalidate(FALSE);
}

void CNetWorkPanel::EnableSharingControls(bool enable)
{
    for (HWND control : {m_shareButton, m_qualityBox, m_controlOn, m_controlOff}) ::EnableWindow(control, enable);
}

const RemoteCameraState& CNetWorkPanel::State() const
{
    std::lock_guard<std::mutex> guard(m_stateLock);
    m_remoteState = m_latestState;
    return m_remoteState;
}

void CNetWorkPanel::SendCameraCommand(char code, unsigned char argument)
{
    if (m_localChosen || !m_client) return;
    Telvane::DocCamCmd(uint8_t(code), argument).send(*m_client);
}

bool CNetWorkPanel::RequestSnapshot(std::vector<uint8_t>& picture)
{
    if (m_localChosen || !m_client) return false;
    Telvane::SnapshotCmd snapshot(1, 1024.0f, 768.0f);
    uint32_t length = 0;
    const uint8_t* bytes = snapshot.request(*m_client, length);
    if (!bytes) return false;
    picture.assign(bytes, bytes + length);
    return true;
}

void CNetWorkPanel::SendGraphic(const Telvane::Graphic& shape)
{
    if (m_localChosen || !m_client) return;
    // The command only borrows the shape: it never frees one it does not own.
    Telvane::AnnotationCmd(const_cast<Telvane::Graphic*>(&shape), false).send(*m_client);
}

void CNetWorkPanel::SendEraseAll()
{
    if (m_localChosen || !m_client) return;
    Telvane::EraseAllAnnotationCmd().send(*m_client);
}
