#include "TwainSource.h"

#include <cstdio>
#include <cstring>

namespace {

void CopyText(char (&to)[34], const char* text)
{
    std::memset(to, 0, sizeof to);
    std::strncpy(to, text, sizeof to - 1);
}

const char kDefaultFileName[] = "c:\\twain.bmp";

constexpr TW_UINT32 kMinBufSize = 0x3FFF;
constexpr TW_UINT32 kMaxBufSize = 0x3FFFF;

}  // namespace

const TwainSource::TripletHandler TwainSource::kControlTriplets[] = {
    {DAT_IDENTITY, &TwainSource::OnIdentity},
    {DAT_USERINTERFACE, &TwainSource::OnUserInterface},
    {DAT_CAPABILITY, &TwainSource::OnCapability},
    {DAT_STATUS, &TwainSource::OnStatus},
    {DAT_PENDINGXFERS, &TwainSource::OnPendingXfers},
    {DAT_SETUPMEMXFER, &TwainSource::OnSetupMemXfer},
    {DAT_SETUPFILEXFER, &TwainSource::OnSetupFileXfer},
    {DAT_XFERGROUP, &TwainSource::OnXferGroup},
    {0, nullptr},
};

const TwainSource::TripletHandler TwainSource::kImageTriplets[] = {
    {DAT_IMAGEINFO, &TwainSource::OnImageInfo},         {DAT_IMAGELAYOUT, &TwainSource::OnImageLayout},
    {DAT_IMAGEMEMXFER, &TwainSource::OnImageMemXfer},   {DAT_IMAGENATIVEXFER, &TwainSource::OnImageNativeXfer},
    {DAT_IMAGEFILEXFER, &TwainSource::OnImageFileXfer}, {DAT_PALETTE8, &TwainSource::OnPalette8},
    {DAT_GRAYRESPONSE, &TwainSource::OnGrayResponse},   {DAT_RGBRESPONSE, &TwainSource::OnRgbResponse},
    {DAT_CIECOLOR, &TwainSource::OnUnsupported},        {DAT_JPEGCOMPRESSION, &TwainSource::OnJpegCompression},
    {DAT_EXTIMAGEINFO, &TwainSource::OnExtImageInfo},   {0, nullptr},
};

TW_IDENTITY TwainSource::OwnIdentity()
{
    TW_IDENTITY identity{};
    identity.Version.MajorNum = 1;
    identity.Version.MinorNum = 0;
    identity.Version.Language = 42;
    identity.Version.Country = 886;
    CopyText(identity.Version.Info, "Version 2.000 03/22/2007");
    identity.ProtocolMajor = 1;
    identity.ProtocolMinor = 6;
    identity.SupportedGroups = DG_CONTROL | DG_IMAGE;
    CopyText(identity.Manufacturer, "Korvane");
    CopyText(identity.ProductFamily, "Korvane Trelm SW Team");
    CopyText(identity.ProductName, "DovraOrbile DocCam TWAIN");
    return identity;
}

TwainSource::TwainSource(TwainMemory& memory, ISourceDevice& device)
    : m_memory(memory), m_device(device), m_capabilities(memory), m_image(memory), m_identity(OwnIdentity())
{
}

TW_UINT16 TwainSource::Entry(TW_IDENTITY* origin, TW_UINT32 group, TW_UINT16 dat, TW_UINT16 message, TW_MEMREF data)
{
    // Another application's call changes nothing.
    if (m_application.Id != 0 && (!origin || origin->Id != m_application.Id)) return TWRC_FAILURE;
    // No window of the source takes its keys from the application's loop.
    if (message == MSG_PROCESSEVENT) return TWRC_NOTDSEVENT;
    const Call call{origin, dat, message, data};
    if (group == DG_CONTROL) return Dispatch(kControlTriplets, call);
    if (group == DG_IMAGE) return Dispatch(kImageTriplets, call);
    return Fail(TWCC_BADPROTOCOL);
}

TW_UINT16 TwainSource::Dispatch(const TripletHandler* table, const Call& call)
{
    for (const TripletHandler* row = table; row->handler; ++row)
        if (row->dat == call.dat) return (this->*row->handler)(call);
    return Fail(TWCC_BADPROTOCOL);
}

TW_UINT16 TwainSource::Fail(TW_UINT16 code)
{
    m_conditionCode = code;
    return TWRC_FAILURE;
}

void TwainSource::NotifyXferReady()
{
    if (m_state != kEnabled) return;
    m_state = kTransferReady;
    m_device.NotifyApplication(MSG_XFERREADY);
}

void TwainSource::NotifyCloseRequest() { m_device.NotifyApplication(MSG_CLOSEDSREQ); }

int TwainSource::PendingCount(bool afterRelease) const
{
    if (m_capabilities.FeederEnabled()) return m_pendingImages > 0 ? (afterRelease ? 0xFFFF : 1) : 0;
    return afterRelease || m_state == kTransferring ? 0 : 1;
}

void TwainSource::ReleasePreparedImage()
{
    if (m_pendingImages > 0) --m_pendingImages;
    m_image.Release();
}

TW_UINT16 TwainSource::OnIdentity(const Call& call)
{
    switch (call.message) {
    case MSG_GET:
        if (!call.data) return Fail(TWCC_BADVALUE);
        std::memcpy(call.data, &m_identity, sizeof m_identity);
        return TWRC_SUCCESS;
    case MSG_OPENDS:
        if (m_state != kLoaded) return Fail(TWCC_SEQERROR);
        if (!call.origin || !call.data) return Fail(TWCC_BADVALUE);
        m_application = *call.origin;
        // The manager fills in only the Id it assigned; the rest stays ours.
        m_identity.Id = static_cast<TW_IDENTITY*>(call.data)->Id;
        m_capabilities.Build();
        m_state = kOpen;
        return TWRC_SUCCESS;
    case MSG_CLOSEDS:
        if (m_state < kOpen) return Fail(TWCC_SEQERROR);
        if (m_state >= kEnabled) DisableDS();
        m_application.Id = 0;
        m_state = kLoaded;
        m_capabilities.Free();
        return TWRC_SUCCESS;
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 TwainSource::OnUserInterface(const Call& call)
{
    switch (call.message) {
    case MSG_ENABLEDS:
        if (m_state != kOpen) return Fail(TWCC_SEQERROR);
        if (!call.data) return Fail(TWCC_BADVALUE);
        return EnableDS(*static_cast<TW_USERINTERFACE*>(call.data));
    case MSG_DISABLEDS:
        if (!InStates(kEnabled, kTransferring)) return Fail(TWCC_SEQERROR);
        DisableDS();
        return TWRC_SUCCESS;
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 TwainSource::EnableDS(TW_USERINTERFACE& ui)
{
    if (!m_device.StartSourceUI(ui.hParent, ui.ShowUI != 0)) return Fail(TWCC_OPERATIONERROR);
    m_capabilities.SetPixelType(TWPT_RGB);
    m_capabilities.SetBitDepth(TWPT_RGB, 24);
    if (ui.ShowUI) {
        ui.ModalUI = 1;
        m_state = kEnabled;
        return TWRC_SUCCESS;
    }
    if (!m_device.WaitForLivePicture()) {
        m_device.CloseSourceUI();
        return Fail(TWCC_OPERATIONERROR);
    }
    m_state = kEnabled;
    NotifyXferReady();
    return TWRC_SUCCESS;
}

void TwainSource::DisableDS()
{
    m_image.Release();
    m_device.CloseSourceUI();
    m_state = kOpen;
}

TW_UINT16 TwainSource::OnCapability(const Call& call)
{
    const bool legacy = m_application.Id != 0 && m_application.ProtocolMajor <= 1 && m_application.ProtocolMinor <= 5;
    const CapabilityTable::Context context{legacy, m_pendingImages > 0};
    return m_capabilities.Negotiate(static_cast<TW_CAPABILITY*>(call.data), call.message, context, m_conditionCode);
}

TW_UINT16 TwainSource::OnStatus(const Call& call)
{
    if (call.message != MSG_GET) return Fail(TWCC_BADPROTOCOL);
    if (!call.data) return Fail(TWCC_BADVALUE);
    auto* status = static_cast<TW_STATUS*>(call.data);
    status->ConditionCode = m_conditionCode;
    status->Reserved = 0;
    m_conditionCode = TWCC_SUCCESS;
    return TWRC_SUCCESS;
}

TW_UINT16 TwainSource::OnPendingXfers(const Call& call)
{
    auto* pending = static_cast<TW_PENDINGXFERS*>(call.data);
    if (call.message != MSG_GET && call.message != MSG_ENDXFER && call.message != MSG_RESET)
        return Fail(TWCC_BADPROTOCOL);
    if (!pending) return Fail(TWCC_BADVALUE);
    switch (call.message) {
    case MSG_GET:
        if (m_state < kOpen) return Fail(TWCC_SEQERROR);
        pending->Count = TW_UINT16(PendingCount(false));
        return TWRC_SUCCESS;
    case MSG_ENDXFER:
        ReleasePreparedImage();
        pending->Count = TW_UINT16(PendingCount(true));
        if (m_state != kTransferring) return Fail(TWCC_SEQERROR);
        m_state = pending->Count ? kTransferReady : kEnabled;
        return TWRC_SUCCESS;
    default:  // MSG_RESET
        if (!InStates(kTransferReady, kTransferring)) return Fail(TWCC_SEQERROR);
        ReleasePreparedImage();
        m_pendingImages = 0;
        pending->Count = 0;
        m_state = kEnabled;
        return TWRC_SUCCESS;
    }
}

TW_UINT16 TwainSource::OnSetupMemXfer(const Call& call)
{
    if (!InStates(kOpen, kTransferReady)) return Fail(TWCC_SEQERROR);
    if (call.message != MSG_GET) return Fail(TWCC_BADPROTOCOL);
    if (!call.data) return Fail(TWCC_BADVALUE);
    *static_cast<TW_SETUPMEMXFER*>(call.data) = TW_SETUPMEMXFER{kMinBufSize, kMaxBufSize, kMaxBufSize};
    return TWRC_SUCCESS;
}

TW_UINT16 TwainSource::OnSetupFileXfer(const Call& call)
{
    if (!InStates(kOpen, kTransferReady)) return Fail(TWCC_SEQERROR);
    auto* setup = static_cast<TW_SETUPFILEXFER*>(call.data);
    switch (call.message) {
    case MSG_GET:
    case MSG_GETCURRENT:
    case MSG_GETDEFAULT: {
        if (!setup) return Fail(TWCC_BADVALUE);
        const bool defaults = call.message == MSG_GETDEFAULT;
        std::memset(setup->FileName, 0, sizeof setup->FileName);
        std::strcpy(setup->FileName, defaults ? kDefaultFileName : m_fileName);
        setup->Format = defaults ? TW_UINT16(TWFF_BMP) : m_capabilities.ImageFileFormat();
        setup->VRefNum = 0;
        return TWRC_SUCCESS;
    }
    case MSG_SET: {
        if (!setup || (setup->Format != TWFF_BMP && setup->Format != TWFF_TIFF)) return Fail(TWCC_BADVALUE);
        char name[sizeof m_fileName] = {};
        std::memcpy(name, setup->FileName, sizeof name - 1);  // at most 255 characters
        // The file must exist or be creatable; an existing one is left as it is.
        std::FILE* file = name[0] ? std::fopen(name, "ab") : nullptr;
        if (!file) return Fail(TWCC_BADVALUE);
        std::fclose(file);
        std::memcpy(m_fileName, name, sizeof name);
        m_capabilities.SetImageFileFormat(setup->Format);
        return TWRC_SUCCESS;
    }
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 TwainSource::OnXferGroup(const Call& call)
{
    if (!InStates(kOpen, kTransferReady)) return Fail(TWCC_SEQERROR);
    switch (call.message) {
    case MSG_GET:
    case MSG_GETCURRENT:
    case MSG_GETDEFAULT:
    case MSG_RESET:
        if (!call.data) return Fail(TWCC_BADVALUE);
        *static_cast<TW_UINT32*>(call.data) = DG_IMAGE;
        return TWRC_SUCCESS;
    case MSG_SET:
        return TWRC_SUCCESS;
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
}
