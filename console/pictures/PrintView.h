#pragma once

#include <windows.h>

class CWnd;
class KVQFrameBuffer;

// What a print job draws on: a drawing context with its resolution, and the
// document and page calls around the drawing.
class IPrintTarget {
public:
    virtual ~IPrintTarget() = default;
    virtual HDC Dc() = 0;
    virtual SIZE PixelsPerInch() = 0;
    // The printable area in device pixels.
    virtual SIZE PrintableSize() = 0;
    // output: a file or port name the job goes to, or null for the printer's own.
    virtual bool StartDocument(const wchar_t* name, const wchar_t* output) = 0;
    virtual bool StartPage() = 0;
    virtual bool EndPage() = 0;
    virtual bool EndDocument() = 0;
    virtual void AbortDocument() = 0;
};

// A printer's drawing context made from its description handles (DEVNAMES,
// DEVMODE), as the print dialog hands them out.
class CPrinterTarget : public IPrintTarget {
public:
    CPrinterTarget(HGLOBAL devNames, HGLOBAL devMode);
    ~CPrinterTarget() override;
    CPrinterTarget(const CPrinterTarget&) = delete;
    CPrinterTarget& operator=(const CPrinterTarget&) = delete;

    bool IsOpen() const { return m_dc != nullptr; }
    HDC Dc() override { return m_dc; }
    SIZE PixelsPerInch() override;
    SIZE PrintableSize() override;
    bool StartDocument(const wchar_t* name, const wchar_t* output) override;
    bool StartPage() override;
    bool EndPage() override;
    bool EndDocument() override;
    void AbortDocument() override;

private:
    HDC m_dc = nullptr;
};

// The picture to print, held against the device thread from LockPicture to
// UnlockPicture: the paused camera frame or the embedded window's composed
// picture.
class IPrintSource {
public:
    virtual ~IPrintSource() = default;
    // Null (and nothing held) when there is no picture.
    virtual KVQFrameBuffer* LockPicture() = 0;
    virtual void UnlockPicture() = 0;
};

// One page with the picture at the top left of the printable area, at the
// size it has on a screen of screenDpi at 1:1, shrunk (keeping its shape)
// when that is larger than the area. False when the document did not start
// or a page call failed.
bool PrintPicture(IPrintTarget& target, IPrintSource& source, SIZE screenDpi, const wchar_t* documentName,
                  const wchar_t* output);

// A movable zeroed copy of a global block; null for a null block or when
// memory runs out.
HGLOBAL CopyGlobalHandle(HGLOBAL handle);

// The description handles of the printer of that name: its settings with
// their driver-private part, and its driver, device and port names. FALSE
// (nothing handed out) when a pointer is null or the printer is unknown.
BOOL GetPrinterDevice(const wchar_t* printerName, HGLOBAL* devNames, HGLOBAL* devMode);

// The console's print command: the print dialog on the chosen printer
// (landscape, one page), then one job. Nothing is reported on failure.
class CEZPrintView {
public:
    // The dialog is skipped without withDialog (the default printer prints).
    void Print(BOOL withDialog, CWnd* parent, IPrintSource& source);
    bool IsDialogOpen() const { return m_dialogOpen; }

private:
    bool m_dialogOpen = false;
};
