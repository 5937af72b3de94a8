#pragma once
// What the picture-window tests share: a stand-in for the main window, and
// a user who answers the dialogs of this process (file, print, message
// boxes) from a second thread while the test's thread runs their modal loop.
#include <windows.h>

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "PanelTestSupport.h"
#include "PictureHost.h"

namespace picturetest {

class FakePictureHost : public IPictureHost {
public:
    RECT copyRequest{};
    bool copyRequested = false;
    bool copyNotice = false;

    HMODULE SkinLibrary() override { return paneltest::Skins(); }
    CWnd* MainWindow() override { return nullptr; }
    CControlPanel* ControlBar() override { return nullptr; }
    PanelHooks* AnnotationPanel() override { return nullptr; }
    bool IsAnnotationInProgress() override { return false; }
    HFONT OsdFont() override { return nullptr; }
    void SetLastActiveWindow(CWnd*) override {}
    void ForgetWindow(CWnd*) override {}
    bool TakeCopyRequest(RECT* selection) override
    {
        if (!copyRequested) return false;
        *selection = copyRequest;
        copyRequested = false;
        return true;
    }
    bool ShowsCopyNotice() override { return copyNotice; }
    void SetShowsCopyNotice(bool show) override { copyNotice = show; }
};

// How the user answers: the file dialog gets fileName (empty: Cancel), the
// print dialog OK or Cancel, a question its yes/no button; every message
// box's text is kept.
struct Answers {
    std::wstring fileName;
    bool print = true;
    bool yes = true;
};

class DialogUser {
public:
    explicit DialogUser(Answers answers)
        : m_answers(std::move(answers)), m_thread([this] {
              for (int waited = 0; waited < 20000 && !m_stop; waited += 20) {
                  EnumThreadWindows(m_uiThread, &Visit, reinterpret_cast<LPARAM>(this));
                  Sleep(20);
              }
          })
    {
    }
    ~DialogUser()
    {
        m_stop = true;
        m_thread.join();
    }
    // The texts of the message boxes answered so far.
    std::vector<std::wstring> Messages()
    {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_messages;
    }
    int FileDialogs() const { return m_fileDialogs; }
    int PrintDialogs() const { return m_printDialogs; }

private:
    static const int kFileNameEdit = 0x480, kFileNameCombo = 0x47c, kPrinterCombo = 0x473;

    static BOOL CALLBACK Visit(HWND window, LPARAM self)
    {
        wchar_t name[16] = L"";
        GetClassNameW(window, name, 16);
        auto* user = reinterpret_cast<DialogUser*>(self);
        if (wcscmp(name, L"#32770") == 0 && IsWindowVisible(window) && !user->m_answered.count(window)) {
            user->m_answered.insert(window);
            user->Answer(window);
        }
        return TRUE;
    }

    static void Press(HWND dialog, int id)
    {
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    }

    static BOOL CALLBACK CollectText(HWND child, LPARAM text)
    {
        wchar_t part[512] = L"";
        GetWindowTextW(child, part, 512);
        *reinterpret_cast<std::wstring*>(text) += part;
        *reinterpret_cast<std::wstring*>(text) += L"\n";
        return TRUE;
    }

    void Answer(HWND dialog)
    {
        // The print dialog has a page edit too: it is told by its printer list.
        if (GetDlgItem(dialog, kPrinterCombo)) {
            ++m_printDialogs;
            return Press(dialog, m_answers.print ? IDOK : IDCANCEL);
        }
        if (GetDlgItem(dialog, kFileNameEdit) || GetDlgItem(dialog, kFileNameCombo)) {
            ++m_fileDialogs;
            if (m_answers.fileName.empty()) return Press(dialog, IDCANCEL);
            SetDlgItemTextW(dialog, kFileNameEdit, m_answers.fileName.c_str());
            SetDlgItemTextW(dialog, kFileNameCombo, m_answers.fileName.c_str());
            return Press(dialog, IDOK);
        }
        std::wstring text;
        EnumChildWindows(dialog, &CollectText, reinterpret_cast<LPARAM>(&text));
        {
            std::lock_guard<std::mutex> hold(m_lock);
            m_messages.push_back(text);
        }
        if (GetDlgItem(dialog, IDYES)) return Press(dialog, m_answers.yes ? IDYES : IDNO);
        Press(dialog, IDOK);
    }

    Answers m_answers;
    DWORD m_uiThread = GetCurrentThreadId();
    std::set<HWND> m_answered;
    std::mutex m_lock;
    std::vector<std::wstring> m_messages;
    std::atomic<int> m_fileDialogs{0};
    std::atomic<int> m_printDialogs{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

inline bool Contains(const std::vector<std::wstring>& texts, const wchar_t* part)
{
    for (const std::wstring& text : texts)
        if (text.find(part) != std::wstring::npos) return true;
    return false;
}

}  // namespace picturetest
