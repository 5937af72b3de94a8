#pragma once
// Skinned control library: bitmap-skinned frame window, panel, button,
// slider, wheel and hyperlink, and the text and region functions they share.
// Built twice from the same sources: kvquikit, and kvqTWAINuikit (the older
// interface, KVQ_TWAIN_VARIANT defined for the library and its users).
#include <kvqframe.h>
#include <vector>

#ifdef KVQUIKIT_BUILD
#define KVQ_API __declspec(dllexport)
#else
#define KVQ_API __declspec(dllimport)
#endif

#ifdef KVQ_TWAIN_VARIANT
typedef unsigned short KVQChar;  // the older interface types strings as 16-bit units
#else
typedef wchar_t KVQChar;
#endif

// The skins' transparent key colour.
const COLORREF KVQ_TRANSPARENT = 0x00FF00FF;

KVQ_API void kvqSetWindowTextFormat(HFONT font, COLORREF normal, COLORREF mode1, COLORREF shadow, COLORREF other);
KVQ_API void kvqSetEmbossedTextEffect(int, int, int dx, int dy, BOOL enable);
KVQ_API void kvqTextOut(CDC* dc, int x, int y, const wchar_t* text, int mode);
KVQ_API void kvqComputeRgnFromBitmap(CRgn* region, HBITMAP bitmap, COLORREF transparent);
// The frame window's size for a dragged size: the view (the window less 26 px
// on top, 64 below and 13 at each side) kept at 4:3, at least 667 x 570.
KVQ_API CSize kvqFitFrameSize(int width, int height);

// A 24-bit bottom-up or top-down DIB copy of a bitmap, drawn with
// SetDIBitsToDevice; rows padded to four bytes.
class KVQ_API SkinImage {
public:
    BOOL FromBitmap(HBITMAP bitmap, HDC screen);
    // Draws the part at (sourceX, sourceY), counted from the image's top-left.
    void Draw(HDC dc, int x, int y, int width, int height, int sourceX = 0, int sourceY = 0) const;
    int Width() const { return m_header.biWidth; }
    int Height() const { return m_header.biHeight < 0 ? -m_header.biHeight : m_header.biHeight; }
    void Free();
    bool IsEmpty() const { return m_bits.empty(); }
    const BITMAPINFOHEADER& Header() const { return m_header; }
    const BYTE* Bits() const { return m_bits.data(); }

private:
    BITMAPINFOHEADER m_header{};
    std::vector<BYTE> m_bits;
};

// Title-button commands of the frame window.
const UINT ID_APP_ABOUT = 0xE140;
const UINT ID_SKIN_MINIMIZE = 0xE14C;
const UINT ID_SKIN_FULLSCREEN = 0xE14E;
const UINT ID_SKIN_CLOSE = 0xE14F;

class KVQButton;

// A captionless top-level window painted from twelve frame images, with up to
// four title buttons, a view painted through a memory DC, frame dragging, full
// screen and a 4:3 view while sizing.
class KVQ_API KVQWindow : public CWnd {
public:
    KVQWindow();
    // Destroys a window still open while this part exists. A derived window
    // whose hooks must see its destruction destroys it in its own destructor.
    ~KVQWindow() override;

    BOOL CreateView(const KVQChar* title, int x, int y, int width, int height, CWnd* parent, int buttons);
    int IsFullscreen() const { return m_fullscreen; }
    int GetMouseDown() const { return m_mouseDown; }
    CPoint& GetMousePos() { return m_mousePos; }

    // Hooks, in slot order. Window coordinates = client coordinates + border.
    virtual void GetRect(RECT* window, RECT* view);
    virtual BOOL OnCreateWindow(CREATESTRUCTW* cs) { return TRUE; }
    virtual void OnActivateWindow(UINT state, CWnd* other, BOOL minimized) {}
    virtual void OnDraw(CDC* memoryDC, CRect& view);
    virtual void OnPostDraw(CDC* dc) {}
    virtual void OnChangeSize(UINT type) {}
    virtual void OnMoveWindow(int x, int y) {}
    virtual void OnDestroyWindow() {}
    virtual void OnMouse(UINT flags, CPoint pt, BOOL down) {}
    virtual void OnRightButton(UINT flags, CPoint pt, BOOL down) {}
    // TRUE when the point was handled.
    virtual BOOL OnDoubleClick(UINT flags, CPoint pt);
    virtual void OnMoveMouse(UINT flags, CPoint pt) {}
    virtual BOOL OnKeyboard(UINT vk, UINT repeat, UINT flags, BOOL down);
    virtual BOOL OnButtonEvent(unsigned short id) { return FALSE; }
    virtual void OnTimerEvent(UINT id) {}

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    // Back from full screen: the saved style (frame, sizing) and the normal place.
    void LeaveFullscreen();

    // Read and written by derived windows.
    int m_fullscreen = 0;
    DWORD m_savedStyle = 0;             // style before full screen; nonzero once created
    int m_border = 0;                   // half the difference of window and client width
    KVQButton* m_titleButtons[4] = {};  // About, Minimise, Full screen, Close

protected:
    // For a window that draws over its frame: the next paint draws the frame
    // afresh before OnDraw.
    void RedrawFrameOnNextPaint() { m_frameDirty = 1; }

    int OnCreate(CREATESTRUCTW* cs) override;
    void OnDestroy() override;
    void OnPaint() override;
    void OnNcPaint() override;
    BOOL OnEraseBkgnd(CDC* dc) override;
    void OnSize(UINT type, int cx, int cy) override;
    void OnSizing(UINT edge, RECT* rect) override;
    void OnMove(int x, int y) override;
    void OnActivate(UINT state, CWnd* other, BOOL minimized) override;
    void OnLButtonDown(UINT flags, CPoint pt) override;
    void OnLButtonUp(UINT flags, CPoint pt) override;
    void OnLButtonDblClk(UINT flags, CPoint pt) override;
    void OnRButtonDown(UINT flags, CPoint pt) override;
    void OnRButtonUp(UINT flags, CPoint pt) override;
    void OnMouseMove(UINT flags, CPoint pt) override;
    void OnKeyDown(UINT vk, UINT repeat, UINT flags) override;
    void OnKeyUp(UINT vk, UINT repeat, UINT flags) override;
    void OnTimer(UINT_PTR id) override;

private:
    void DrawFrame(CDC* dc, int width, int height) const;
    void EnterFullscreen(DWORD keptStyle);
    void PlaceTitleButtons(int clientWidth);
    void FreeMemoryDC();
    CRect WindowRect() const;
    CPoint ToWindow(CPoint client) const { return CPoint(client.x + m_border, client.y + m_border); }

    CBitmap m_memoryBitmap;  // declared before its DC, which must go first
    CDC m_memoryDC;
    SkinImage m_frame[12];
    CPoint m_mousePos;
    int m_mouseDown = 0;
    int m_dragging = 0;
    int m_frameDirty = 1;
};

enum {
    BUTTON_STYLE_PUSH = 0,
    BUTTON_STYLE_CHECK = 1,
    BUTTON_STYLE_PRESS = 2,
    BUTTON_STYLE_MANUAL = 3,
    BUTTON_STYLE_MOUSE = 9,
};

// A child window drawn from skin images: push button, multi-state toggle,
// press-and-hold button or plain mouse surface. Reports clicks by sending
// WM_COMMAND(id, 0) to its notify window.
class KVQ_API KVQButton : public CWnd {
public:
    KVQButton();
    ~KVQButton() override;

    BOOL CreateButton(int style, int x, int y, CWnd* parent, CWnd* notify, UINT id, KVQChar* regionFile, HBITMAP face,
                      HBITMAP hover, HBITMAP disabled, HBITMAP* states, int count, DWORD transparent, BOOL useRegion);
    void SetCheck(int state);
    int GetCheckState() const { return m_checkState; }
    int GetHoldState() const { return m_held; }
    DWORD GetHoldTime() const;
    // The millisecond clock of presses and holds (GetTickCount unless replaced).
    typedef DWORD (*TickSource)();
    static void SetTickSource(TickSource source);

    // Hooks, in slot order.
    virtual void OnDraw(CDC* dc, CRect& rect) {}
    virtual BOOL OnButtonEvent(unsigned short id) { return FALSE; }
    virtual void OnMouse(UINT flags, CPoint pt) {}

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

    // Read directly by the panels.
    int m_checkState = 0;
    int m_held = 0;

protected:
    void OnPaint() override;
    BOOL OnEraseBkgnd(CDC* dc) override { return TRUE; }
    void OnLButtonDown(UINT flags, CPoint pt) override;
    void OnLButtonUp(UINT flags, CPoint pt) override;
    void OnMouseMove(UINT flags, CPoint pt) override;
    void OnCaptureChanged(CWnd* other) override;

    DWORD m_pressTime = 0;  // GetTickCount at the last press

private:
    bool Notify();  // false when the handler deleted this button
    void Redraw();
    const SkinImage* ImageToShow() const;

    CRgn m_region;
    CBitmap m_face;
    CDC m_faceDC;            // after the face it holds selected
    SkinImage m_images[10];  // 0 disabled, 1 hover, 2.. states
    int m_stateCount = 1;
    UINT m_id = 0;
    int m_style = BUTTON_STYLE_PUSH;
    CWnd* m_notify = nullptr;
    int m_hover = 0;
    int m_captured = 0;
};

enum {
    PANEL_STYLE_DRAG = 0x1,
    PANEL_STYLE_CLOSABLE = 0x2,
    PANEL_STYLE_KEYS_TO_PARENT = 0x4,
};

// A floating tool window painted from one face bitmap and clipped to its
// shape; draggable by its face, optionally refusing Close, optionally passing
// its keys to its owner.
class KVQ_API KVQPanel : public CWnd {
public:
    KVQPanel();
    ~KVQPanel() override;

#ifdef KVQ_TWAIN_VARIANT
    // The owner is the owner object's window, else ownerWindow (the host
    // application's window, which the data source gets from its caller).
    BOOL CreatePanel(const KVQChar* title, int x, int y, CWnd* owner, KVQChar* regionFile, HBITMAP face,
                     DWORD transparent, BOOL useRegion, HWND ownerWindow);
    // Fits the window to the face.
    void AdjustPanel();
#else
    BOOL CreatePanel(const KVQChar* title, int x, int y, CWnd* owner, KVQChar* regionFile, HBITMAP face,
                     DWORD transparent, BOOL useRegion);
#endif
    void SetPanelStyle(DWORD style) { m_panelStyle = style; }
    DWORD GetPanelStyle() const { return m_panelStyle; }

    // Hooks, in slot order.
    virtual BOOL OnCreateWindow(CREATESTRUCTW* cs) { return TRUE; }
#ifdef KVQ_TWAIN_VARIANT
    virtual void OnDraw(CDC* dc, CRect& client) {}
#endif
    virtual void OnDraw(CDC* dc);
    virtual void OnMoveWindow(int x, int y) {}
    virtual void OnDestroyWindow() {}
    virtual BOOL OnButtonEvent(unsigned short id) { return FALSE; }
    virtual BOOL OnKeyboard(UINT vk, UINT repeat, UINT flags, BOOL down) { return FALSE; }
#ifdef KVQ_TWAIN_VARIANT
    virtual void OnChangeSize(UINT type) {}
#endif
    virtual void OnMouse(UINT flags, CPoint pt) {}
#ifdef KVQ_TWAIN_VARIANT
    virtual void OnTimerEvent(UINT id) {}
#endif
    // Each move of a drag, before the panel moves; nonzero keeps it in place.
    virtual BOOL MyMouseMove(UINT flags, CPoint pt) { return FALSE; }

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

    CPoint m_dragOrigin{-1, 0};  // client point of the press; x -1 = no drag
    DWORD m_panelStyle = 0;

protected:
    int OnCreate(CREATESTRUCTW* cs) override;
    void OnDestroy() override;
    void OnPaint() override;
    BOOL OnEraseBkgnd(CDC* dc) override { return TRUE; }
    void OnMove(int x, int y) override;
    void OnLButtonDown(UINT flags, CPoint pt) override;
    void OnLButtonUp(UINT flags, CPoint pt) override;
    void OnMouseMove(UINT flags, CPoint pt) override;
    void OnKeyDown(UINT vk, UINT repeat, UINT flags) override;
    void OnKeyUp(UINT vk, UINT repeat, UINT flags) override;
    void OnSysCommand(UINT id, LPARAM lParam) override;
#ifdef KVQ_TWAIN_VARIANT
    void OnSize(UINT type, int cx, int cy) override;
    void OnTimer(UINT_PTR id) override;
#endif

private:
    BOOL CreateOwned(const wchar_t* title, int x, int y, HWND owner, const wchar_t* regionFile, HBITMAP face,
                     DWORD transparent, BOOL useRegion);
    void OnKey(UINT message, UINT vk, UINT repeat, UINT flags);

    CBitmap m_face;
    CDC m_faceDC;  // after the face it holds selected
    CRect m_faceRect;
};

// A value of an integer range as a skinned bar: track face, fill up to the
// value and a thumb; horizontal or vertical, interactive or read-only (a
// meter, with an optional separator mark). Posts WM_COMMAND(id, 0) on every
// change made with the mouse.
class KVQ_API KVQSlider : public CWnd {
public:
    KVQSlider();
    ~KVQSlider() override;

#ifdef KVQ_TWAIN_VARIANT
    BOOL CreateSlider(int x, int y, CWnd* parent, CWnd* notify, UINT id, int vertical, int readOnly,
                      KVQChar* regionFile, HBITMAP face, HBITMAP fill, HBITMAP thumb, HBITMAP disabled,
                      DWORD transparent, BOOL useRegion);
#else
    BOOL CreateSlider(int x, int y, CWnd* parent, CWnd* notify, UINT id, BOOL vertical, BOOL readOnly, int marginStart,
                      int marginEnd, KVQChar* regionFile, HBITMAP face, HBITMAP fill, HBITMAP thumb, HBITMAP disabled,
                      DWORD transparent, BOOL useRegion);
#endif
    void SetRange(int min, int max);
    void SetPos(int pos);
    void SetSep(int sep);
    int GetRangeMin() const { return m_min; }
    int GetRangeMax() const { return m_max; }
    int GetPos() const { return m_pos; }
    int GetThumbState() const { return m_thumbState; }

    int m_pos = 0;  // read directly by the panels

protected:
    void OnPaint() override;
    BOOL OnEraseBkgnd(CDC* dc) override { return TRUE; }
    void OnLButtonDown(UINT flags, CPoint pt) override;
    void OnLButtonUp(UINT flags, CPoint pt) override;
    void OnMouseMove(UINT flags, CPoint pt) override;

private:
    BOOL CreateTrack(int x, int y, CWnd* parent, CWnd* notify, UINT id, BOOL vertical, BOOL readOnly, int marginStart,
                     int marginEnd, const wchar_t* regionFile, HBITMAP face, HBITMAP fill, HBITMAP thumb,
                     HBITMAP disabled, DWORD transparent, BOOL useRegion);
    // Position from the pointer, posted notification, immediate redraw.
    void TrackPointer(CPoint pt);

    CRgn m_region;
    int m_marginStart = 0;
    int m_marginEnd = 0;
    CBitmap m_face;
    CDC m_faceDC;           // after the face it holds selected
    SkinImage m_images[3];  // fill, disabled, thumb
    UINT m_id = 0;
    CWnd* m_notify = nullptr;
    int m_min = 0;
    int m_max = 100;
    int m_sep = -1;
    int m_vertical = 0;
    int m_readOnly = 0;
    int m_thumbState = 0;
};

// A rotary control: a knob travelling on a ring of a round face. The angle of
// the pointer maps to a position, in 36-degree steps while turning and exactly
// where released. Posts WM_COMMAND(id, 0) on press, every move and release.
class KVQ_API KVQWheel : public CWnd {
public:
    KVQWheel();
    ~KVQWheel() override;

    BOOL CreateWheel(int x, int y, CWnd* parent, CWnd* notify, UINT id, KVQChar* regionFile, HBITMAP face, HBITMAP knob,
                     HBITMAP disabled, DWORD transparent, BOOL useRegion);
    void SetWheelArea(int cx, int cy, int r1, int r2, int a1, int a2);
    void SetRange(int min, int max);
    void SetPos(int pos);
    int GetRangeMin() const { return m_min; }
    int GetRangeMax() const { return m_max; }
    int GetPos() const { return m_pos; }
    int GetThumbState() const { return m_thumbState; }
    BOOL PtInWheel(CPoint& pt);

    // Read directly by the panels.
    int m_pos = 0;
    int m_displayPos = 0;
    int m_thumbState = 0;

protected:
    int GetDistance(CPoint& pt);
    int GetAngleLite(CPoint& pt, float radius);
    int GetAngle(CPoint& pt);
    void SetPosByMouse(CPoint& pt);

    void OnPaint() override;
    BOOL OnEraseBkgnd(CDC* dc) override { return TRUE; }
    void OnLButtonDown(UINT flags, CPoint pt) override;
    void OnLButtonUp(UINT flags, CPoint pt) override;
    void OnMouseMove(UINT flags, CPoint pt) override;

private:
    void RedrawAndNotify();
    struct Geometry;
    Geometry Shape() const;

    CRgn m_region;
    CBitmap m_face;
    CBitmap m_knob;
    CDC m_faceDC;  // after the bitmaps they hold selected
    CDC m_knobDC;
    BITMAP m_knobInfo{};
    COLORREF m_transparent = KVQ_TRANSPARENT;
    SkinImage m_disabled;
    UINT m_id = 0;
    CWnd* m_notify = nullptr;
    int m_cx = 70;
    int m_cy = 70;
    int m_outer = 64;
    int m_inner = 44;
    int m_angleA = -158;  // degrees, 0 up, clockwise positive
    int m_angleB = 158;
    int m_min = -50;
    int m_max = 50;
};

// A static control turned into a link: hand cursor, coloured transparent text
// (hover and visited colours) and a click that opens m_url with the shell.
class KVQ_API KVQHyperlink : public CStatic {
public:
    KVQHyperlink();
    ~KVQHyperlink() override;

    CString m_url;

    void PreSubclassWindow() override;
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    int IsHovering() const { return m_hover; }
    int IsVisited() const { return m_visited; }
    COLORREF CurrentColour() const;

protected:
    BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) override;
    void OnMouseMove(UINT flags, CPoint pt) override;

private:
    COLORREF m_normalColour = 0x00FF0000;
    COLORREF m_visitedColour = 0x00800080;
    COLORREF m_hoverColour = 0x0000FFFF;
    HCURSOR m_cursor;
    int m_hover = 0;
    int m_visited = 0;
};
