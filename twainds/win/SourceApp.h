#pragma once
#include <windows.h>

#include <atomic>
#include <memory>
#include <vector>

#include "LivePicture.h"
#include "MessageDialog.h"
#include "ThreadRelay.h"
#include "TwainSource.h"

class KVQDocCamController;
class CDocCamPanel;

// The data source's application object: opens the cameras for MSG_ENABLEDS
// and closes them for MSG_DISABLEDS, keeps the live picture the transfers
// copy, shows the camera panel when the application wants the source's
// window, and carries the source's notices back to the application.
class CTwainSourceApp : public ISourceDevice {
public:
    CTwainSourceApp();
    ~CTwainSourceApp() override;
    CTwainSourceApp(const CTwainSourceApp&) = delete;
    CTwainSourceApp& operator=(const CTwainSourceApp&) = delete;

    // The protocol this object serves; set once, before the first triplet.
    void Serve(TwainSource& source) { m_source = &source; }

    bool StartSourceUI(TW_HANDLE parent, bool showUI) override;
    void CloseSourceUI() override;
    bool WaitForLivePicture() override;
    bool CopyLivePicture(std::vector<unsigned char>& pixels, BgrPlane& plane) override;
    bool LivePictureSize(int& width, int& height) override;
    void NotifyApplication(TW_UINT16 message) override;

    // The commands of the camera panel that reach the protocol.
    void Capture();
    void RequestClose();

    KVQDocCamController* CurrentController() const { return m_current; }
    LivePicture& Live() { return m_live; }
    int LastStatusResult() const { return m_lastStatusResult.load(); }
    HMODULE ResourceLibrary() const { return m_resources; }

    // The frame callback registered with the camera.
    static void OnDeviceFrame(unsigned char* data, int width, int height, int length);

private:
    bool AttachDevices();
    void ReleaseControllers();
    void ReleaseDevices();
    void SelectLanguage();
    void Warn(const wchar_t* messageKey);

    TwainSource* m_source = nullptr;
    std::vector<std::unique_ptr<KVQDocCamController>> m_controllers;
    KVQDocCamController* m_current = nullptr;
    HMODULE m_resources = nullptr;
    CMessageDialog m_waitBox;
    LivePicture m_live;
    std::unique_ptr<CDocCamPanel> m_panel;
    std::unique_ptr<ThreadRelay> m_relay;
    std::atomic<ThreadRelay*> m_stillRelay{nullptr};
    std::atomic<long> m_frameCounter{0};
    std::atomic<int> m_lastStatusResult{0};
};
