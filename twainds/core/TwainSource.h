#pragma once
#include <vector>

#include "CapabilityTable.h"
#include "PixelPlane.h"
#include "PreparedImage.h"
#include "TwainMemory.h"
#include "TwainProtocol.h"

// What the protocol needs of the application object: the camera and its
// window, the live picture and the way back to the application.
class ISourceDevice {
public:
    virtual ~ISourceDevice() = default;
    // Opens the camera (and, with showUI, the source's window); false when the
    // source cannot run, after the user has been told why.
    virtual bool StartSourceUI(TW_HANDLE parent, bool showUI) = 0;
    virtual void CloseSourceUI() = 0;
    // Waits, at most a bounded time, until the camera has delivered a
    // picture worth transferring.
    virtual bool WaitForLivePicture() = 0;
    // A copy of the live picture taken under the picture's lock, as 24-bit
    // rows bottom-up; false when there is none.
    virtual bool CopyLivePicture(std::vector<unsigned char>& pixels, BgrPlane& plane) = 0;
    virtual bool LivePictureSize(int& width, int& height) = 0;
    // DG_CONTROL / DAT_NULL to the application through the source manager.
    virtual void NotifyApplication(TW_UINT16 message) = 0;
};

// The protocol side of the data source: DS_Entry's dispatch through one table
// per data group, the TWAIN state machine (state number times 100), the
// condition code, the identities, capability negotiation and the DG_IMAGE
// transfers. Everything runs on the application's thread.
class TwainSource {
public:
    TwainSource(TwainMemory& memory, ISourceDevice& device);

    TW_UINT16 Entry(TW_IDENTITY* origin, TW_UINT32 group, TW_UINT16 dat, TW_UINT16 message, TW_MEMREF data);

    // Capture command or still picture: from state 500 to 600 and
    // MSG_XFERREADY. Ignored in any other state.
    void NotifyXferReady();
    // The source's window asks to be closed: MSG_CLOSEDSREQ, state unchanged.
    void NotifyCloseRequest();

    int State() const { return m_state; }
    TW_UINT16 ConditionCode() const { return m_conditionCode; }
    const TW_IDENTITY& Identity() const { return m_identity; }
    const TW_IDENTITY& Application() const { return m_application; }
    CapabilityTable& Capabilities() { return m_capabilities; }

    static TW_IDENTITY OwnIdentity();

    enum : int { kLoaded = 300, kOpen = 400, kEnabled = 500, kTransferReady = 600, kTransferring = 700 };

private:
    struct Call {
        TW_IDENTITY* origin;
        TW_UINT16 dat;
        TW_UINT16 message;
        TW_MEMREF data;
    };
    typedef TW_UINT16 (TwainSource::*Handler)(const Call&);
    struct TripletHandler {
        TW_UINT16 dat;
        Handler handler;
    };
    static const TripletHandler kControlTriplets[];
    static const TripletHandler kImageTriplets[];

    TW_UINT16 Dispatch(const TripletHandler* table, const Call& call);
    TW_UINT16 Fail(TW_UINT16 code);
    bool InStates(int low, int high) const { return m_state >= low && m_state <= high; }
    int PendingCount(bool afterRelease) const;
    void ReleasePreparedImage();
    bool PrepareTransferImage();

    // DG_CONTROL
    TW_UINT16 OnIdentity(const Call& call);
    TW_UINT16 OnUserInterface(const Call& call);
    TW_UINT16 EnableDS(TW_USERINTERFACE& ui);
    void DisableDS();
    TW_UINT16 OnCapability(const Call& call);
    TW_UINT16 OnStatus(const Call& call);
    TW_UINT16 OnPendingXfers(const Call& call);
    TW_UINT16 OnSetupMemXfer(const Call& call);
    TW_UINT16 OnSetupFileXfer(const Call& call);
    TW_UINT16 OnXferGroup(const Call& call);

    // DG_IMAGE
    TW_UINT16 OnImageInfo(const Call& call);
    TW_UINT16 OnImageLayout(const Call& call);
    TW_UINT16 OnImageMemXfer(const Call& call);
    TW_UINT16 OnImageNativeXfer(const Call& call);
    TW_UINT16 OnImageFileXfer(const Call& call);
    TW_UINT16 OnPalette8(const Call& call);
    TW_UINT16 OnGrayResponse(const Call& call);
    TW_UINT16 OnRgbResponse(const Call& call);
    TW_UINT16 OnResponse(const Call& call, TW_ELEMENT8 (&table)[256]);
    TW_UINT16 OnUnsupported(const Call& call);
    TW_UINT16 OnJpegCompression(const Call& call);
    TW_UINT16 OnExtImageInfo(const Call& call);

    TwainMemory& m_memory;
    ISourceDevice& m_device;
    CapabilityTable m_capabilities;
    PreparedImage m_image;
    TW_IDENTITY m_identity;
    TW_IDENTITY m_application{};
    int m_state = kLoaded;
    TW_UINT16 m_conditionCode = TWCC_SUCCESS;
    int m_pendingImages = 0;
    char m_fileName[256] = "c:\\twain.bmp";
    TW_ELEMENT8 m_grayResponse[256]{};
    TW_ELEMENT8 m_rgbResponse[256]{};
};
