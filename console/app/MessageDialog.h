#pragma once

#include <kvqframe.h>

// The modeless wait box shown while the console does something long on the
// UI thread: one line of text, no buttons, shown without taking the focus.
class CMessageDialog : public CDialog {
public:
    CMessageDialog();

    // Creates the box on first use; texts come from the language file. A
    // null title key leaves the caption as it is.
    void Show(const wchar_t* textSection, const wchar_t* textKey, const wchar_t* titleSection = nullptr,
              const wchar_t* titleKey = nullptr);
    // Closes the box when it is open; a message box must never hide behind it.
    void Close();
};
