#pragma once

#include <dns_sd.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "BasePanel.h"
#include "FrameBuffer.h"
#include "HListBox.h"
#include "NetworkHost.h"
#include "PanelHost.h"
#include "SharingRecords.h"
#include "telvane/CmdClient.h"
#include "telvane/CmdServer.h"
#include "telvane/Commands.h"
#include "telvane/Multicast.h"

// The network panel under the main window. Sharing: the console announces
// itself by DNS-SD as "_dovraorbile._tcp", answers viewers' commands on its
// command server and multicasts every live picture with its camera state.
// Viewing: the list of sharing consoles found on the network (and the local
// camera first); choosing one connects to it, shows its pictures and sends
// the camera buttons' presses there; choosing the local entry comes back.
class CNetWorkPanel : public CBasePanel2,
                      public Telvane::CmdServerCallBack,
                      public Telvane::DocCamCmdHandlerV2,
                      public IRemoteCamera {
public:
    enum ControlId { ID_SERVICE_NAME = 1179, ID_SERVER_LIST = 1180, ID_QUALITY = 1181, ID_STATUS = 1182 };
    // A viewer's command that the UI thread has not taken by then is dropped.
    static constexpr DWORD kUiWaitMs = 3000;
    static constexpr DWORD kLargeStillWaitMs = 5000;
    // The largest JPEG of a large still a viewer is sent.
    static constexpr size_t kLargeStillBytes = 4000000;

    CNetWorkPanel(IPanelHost& host, INetworkHost& network);
    ~CNetWorkPanel() override;

    void CreateControls(int) override;
    // Ends sharing and viewing; before the window goes.
    void Shutdown();
    BOOL OnButtonEvent(unsigned short id) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Profile values the application keeps.
    void SetServiceName(const wchar_t* name);
    std::wstring ServiceName() const;
    void SetControllable(bool controllable);
    bool Controllable() const { return m_controllable.load(); }

    bool IsSharing() const { return m_registration != nullptr; }
    // Whether there is a local camera: the sharing of it and the status text
    // follow, and a camera that came back is listed again at the top.
    void ShowLocalCameraPresence(bool present);
    // The local camera was unplugged: its entry leaves the list.
    void RemoveLocalEntry();
    // Set while a viewer's camera command is carried out (UI thread).
    bool CarriesOutViewerCommand() const { return m_viewerCommand; }
    // The live path, on the capture thread under the network lock.
    int PictureQuality() const { return m_quality.load(); }
    void FillCameraStateHeader(uint8_t header[kCameraStateHeaderBytes]);

    // IRemoteCamera: the viewed console.
    const RemoteCameraState& State() const override;
    const RemoteCapability& Capability() const override { return m_capability; }
    std::wstring ServerName() const override { return m_previousChoice; }
    void SendCameraCommand(char code, unsigned char argument) override;
    void SendGraphic(const Telvane::Graphic& shape) override;
    void SendEraseAll() override;
    bool TakeNewConnectionMark() override { return m_newConnection.exchange(false); }
    bool RequestSnapshot(std::vector<uint8_t>& picture) override;

    // Telvane::CmdServerCallBack, on the command server's thread.
    void onCommand(Telvane::CmdServer* server, Telvane::Socket client, const void* frame, uint32_t length) override;
    // Telvane::DocCamCmdHandlerV2, on the command server's thread.
    void onQueryMulticastAddress(Telvane::Socket replySocket) override;
    void onDocCamCmd(uint8_t code, uint8_t arg1, uint8_t arg2, uint8_t arg3) override;
    void onAnnotation(Telvane::Graphic* graphic) override;
    void onQueryCapability(Telvane::Socket replySocket) override;
    void onEraseAllAnnotation() override;
    void onSnapshot(Telvane::SnapshotCmd* cmd, float width, float height, uint8_t flag) override;
    void onQueryCapabilityV2(Telvane::Socket replySocket) override;
    void onHighQualitySnapshot(Telvane::HighQualitySnapshotCmd* cmd) override;

private:
    struct PendingResolve;
    enum ConnectionState { RECEIVING = 0, STOP_REQUESTED = 1, STOPPED = 2 };

    void CreateSharingControls();
    void CreateViewingControls();

    // Sharing.
    void ToggleSharing();
    bool StartSharing();
    void StopSharing();
    void OnRegistered(DNSServiceErrorType error, const char* name);
    static void DNSSD_API RegisterReply(DNSServiceRef, DNSServiceFlags, DNSServiceErrorType error, const char* name,
                                        const char* type, const char* domain, void* context);

    // Viewing.
    void StartBrowsing();
    void OnBrowse(DNSServiceFlags flags, uint32_t interfaceIndex, DNSServiceErrorType error, const char* name,
                  const char* type, const char* domain);
    static void DNSSD_API BrowseReply(DNSServiceRef, DNSServiceFlags flags, uint32_t interfaceIndex,
                                      DNSServiceErrorType error, const char* name, const char* type, const char* domain,
                                      void* context);
    void Resolve(const ServiceRecord& service, bool toConnect);
    static void DNSSD_API ResolveReply(DNSServiceRef, DNSServiceFlags, uint32_t, DNSServiceErrorType error, const char*,
                                       const char* host, uint16_t port, uint16_t, const unsigned char*, void* context);
    void RecordServerPort(const char* host, uint16_t port);
    void OnServerChosen();
    void OnConnectResolved(DNSServiceErrorType error, const char* host, uint16_t port);
    bool ConnectToServer(const char* host, uint16_t port);
    void ReceivePictures();
    void Disconnect();
    void ReturnToLocalCamera();
    void SelectListText(const std::wstring& text);
    LRESULT LocalEntryIndex();
    void SetStatus(const wchar_t* text);
    void EnableSharingControls(bool enable);

    // DNS-SD results arrive as window messages on the UI thread.
    void WatchSocket(DNSServiceRef ref);
    void OnDnssdSocket(SOCKET socket);

    // A viewer's camera command, on the UI thread.
    void CarryOutViewerCommand(uint8_t code, uint8_t arg1);
    // Viewers' commands are carried out on the UI thread, within a bound.
    bool RunOnUiThread(const std::function<void()>& work);

    IPanelHost& m_host;
    INetworkHost& m_network;
    std::wstring m_localEntry;

    // Controls.
    HWND m_nameField = nullptr;
    CHListBox m_serverList;
    HWND m_qualityBox = nullptr;
    HWND m_status = nullptr;
    HWND m_shareButton = nullptr;
    HWND m_controlOn = nullptr;
    HWND m_controlOff = nullptr;
    // The buttons with a tip, as the tips take them.
    CWnd m_tipTargets[2];
    CToolTipCtrl m_tips[3];

    // Sharing state.
    Telvane::CmdServer m_server{0};
    DNSServiceRef m_registration = nullptr;
    uint32_t m_multicastPort = 7000;
    std::set<uint32_t> m_knownServerPorts;
    std::atomic<int> m_quality{50};
    std::atomic<bool> m_controllable{false};
    DWORD m_uiThread = 0;
    bool m_viewerCommand = false;

    // Viewing state.
    DNSServiceRef m_browse = nullptr;
    std::vector<std::unique_ptr<PendingResolve>> m_pendingResolves;
    BrowsedServices m_services;
    std::string m_currentServer;
    // The list text in force, and the one a connection is being set up for.
    std::wstring m_previousChoice;
    std::wstring m_pendingChoice;
    std::atomic<int> m_connection{STOPPED};
    std::unique_ptr<Telvane::CmdClient> m_client;
    std::unique_ptr<Telvane::MulticastImageReceiver> m_receiver;
    std::thread m_receiveThread;
    bool m_localChosen = true;
    // The state the last picture came with (receive thread), and the copy
    // the UI thread reads.
    mutable std::mutex m_stateLock;
    RemoteCameraState m_latestState;
    mutable RemoteCameraState m_remoteState;
    RemoteCapability m_capability;
    std::atomic<bool> m_newConnection{false};
    // The viewed console's pictures: one shown, the other being filled.
    CFrameBuffer m_pictures[2];
};
