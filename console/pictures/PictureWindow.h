#pragma once

#include <kvquikit.h>

#include "AnnotationHost.h"
#include "Annotator.h"
#include "FrameBuffer.h"
#include "InputCtrl.h"
#include "PictureHost.h"
#include "ZoomAndPan.h"

// A skinned window with one still picture (a snapshot or an opened file) and
// a drawing layer over it: zoom and pan by keys and the pan cross, full
// screen, the file history list and saving as JPEG or BMP. In video mode it
// shows the film a video source draws into it instead. Closing hides it; the
// program's end (or removal, for further windows) deletes it.
class CPictureWindow : public KVQWindow {
public:
    // Control ids of the window's own controls.
    enum { ID_HISTORY_LIST = 59729 };
    static constexpr int kDefaultX = 10, kDefaultY = 10, kDefaultWidth = 667, kDefaultHeight = 570;

    // A null host stands for the one set with SetPictureHost.
    explicit CPictureWindow(IPictureHost* host = nullptr);
    ~CPictureWindow() override;

    // The main window's embedded window: titled with the time, at its
    // default place, owned by parent.
    BOOL CreateEmbedded(CWnd* parent);
    void SetUpToolTips();

    // A copy of frame becomes the picture, not yet saved, shown whole with a
    // clean drawing layer of its size (the snapshot).
    BOOL TakeFrame(const KVQFrameBuffer& frame);
    // The file's picture, shown whole with a clean layer; the old picture
    // stays (and FALSE) when the file can't be read. No message.
    BOOL LoadPicture(const wchar_t* path);
    // Taken and not saved, or drawn on since the last save.
    bool IsUnsaved() const;
    // Before the picture is replaced: when it is unsaved the user is asked
    // whether to save it (Yes runs the save dialog). False when the user
    // cancelled, and the caller keeps the picture.
    bool OfferToSave(CWnd* parent);
    // The save dialog for the composed picture, named by the window title;
    // saved clears the unsaved marks.
    BOOL SaveAs();

    void SetTitle(const wchar_t* title) { SetWindowText(title); }
    // Drawn at the top left when not empty (the opened file's name).
    void SetOnScreenText(const wchar_t* text);
    // Non-null: video mode, the source draws the picture area.
    void SetVideoSource(IPictureVideoSource* source);
    bool IsVideoMode() const { return m_videoSource != nullptr; }
    // The video panel, a child of this window: shown at the bottom in video
    // mode; the video bar's zone there shows it again and the rest of the
    // window hides it as the pointer moves.
    void SetVideoPanel(CWnd* panel);
    KVQButton& VideoBar() { return m_videoBar; }

    CFrameBuffer& Picture() { return m_picture; }
    // The picture with the drawing layer, as last painted: what is saved and printed.
    CFrameBuffer& ComposedPicture() { return m_composed; }
    KVQAnnotator& Layer() { return m_layer; }
    CZoomAndPan& Strip() { return m_strip; }
    KVQButton& SaveButton() { return m_saveButton; }
    // Where the picture landed in the window at the last paint.
    const RECT& PicturePlacement() const { return m_placement; }
    // The shown picture with its layer, as the annotation panel draws on it;
    // false while a film plays or before the picture was painted.
    bool GetDrawingSurface(DrawingSurface& surface);
    CInputCtrl& TextInput() { return m_textInput; }
    // Display names in the history list, for the history they mirror.
    void AddHistoryEntry(const wchar_t* displayName);

    // KVQWindow hooks.
    BOOL OnCreateWindow(CREATESTRUCTW* cs) override;
    void OnActivateWindow(UINT state, CWnd* other, BOOL minimized) override;
    void OnDraw(CDC* dc, CRect& rect) override;
    void OnPostDraw(CDC* dc) override;
    void OnChangeSize(UINT type) override;
    void OnMoveWindow(int x, int y) override;
    void OnDestroyWindow() override;
    void OnMouse(UINT flags, CPoint pt, BOOL down) override;
    BOOL OnDoubleClick(UINT flags, CPoint pt) override { return TRUE; }
    void OnMoveMouse(UINT flags, CPoint pt) override;
    BOOL OnKeyboard(UINT vk, UINT repeat, UINT flags, BOOL down) override;
    BOOL OnButtonEvent(unsigned short id) override;
    void OnTimerEvent(UINT id) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    IPictureHost& Host() const;
    void ShowPictureWhole();
    void Compose();
    void CopySelection(CDC* dc);
    void DrawOnScreenText(CDC* dc);
    void SelectHistoryEntry(int index);
    void Close();
    void FitTo4To3();
    void LayOutWindowed(const CRect& window);
    void LayOutFullscreen(const CRect& window);
    void LayOutVideoPanel();
    void ShowVideoPanel(bool show);
    void FollowPointerWithVideoPanel(CPoint pt);

    IPictureHost* m_host;
    CFrameBuffer m_picture;
    KVQAnnotator m_layer;
    CInputCtrl m_textInput;
    CFrameBuffer m_composed;
    CWnd m_historyList;
    CZoomAndPan m_strip;
    KVQButton m_saveButton;
    KVQButton m_toolsButton;
    KVQButton m_exitButton;
    KVQButton m_emblem;
    KVQButton m_videoBar;
    KVQButton m_videoBarFace;
    CSize m_videoBarSize;
    CWnd* m_videoPanel = nullptr;
    wchar_t m_onScreenText[256] = L"";
    IPictureVideoSource* m_videoSource = nullptr;
    RECT m_placement{};
    CFont m_listFont;
    bool m_barShown = true;
    bool m_savedBarShown = true;
    UINT_PTR m_timer = 0;
    CToolTipCtrl m_titleTips[4];
    CToolTipCtrl m_ownTips[3];
    bool m_closeCancelled = false;
    bool m_fitting = false;
    bool m_fitPending = false;
};

// The host of picture windows made without one (the further windows).
void SetPictureHost(IPictureHost* host);
