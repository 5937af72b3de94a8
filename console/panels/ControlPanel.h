#pragma once

#include "BasePanel.h"
#include "PanelHost.h"

class CSettingDialog;
class CVideoPanel;

// The console's main button bar, docked under the main window: the panel
// and main commands in its top row, the drawing tools in its second, the
// sub-panels (camera, annotation, video, network) below. It collapses to a
// strip and takes the window shape of the layout in use.
class CControlPanel : public CBasePanel {
public:
    enum Control {
        CAMERA_PANEL,
        START_RECORDING,
        STOP_RECORDING,
        SNAPSHOT,
        VIEW_FILES,
        PRINT,
        NETWORK,
        SETTINGS,
        FREEHAND,
        LINE,
        RECTANGLE,
        ELLIPSE,
        TEXT,
        COPY_IMAGE,
        ERASER,
        EXPAND,
        COLLAPSE,
        GRIP,
        CONTROL_COUNT
    };
    enum Layout { LAYOUT_FULL, LAYOUT_SECOND, LAYOUT_LINE_TOOLS, LAYOUT_ERASER_TOOLS, LAYOUT_COLLAPSED, LAYOUT_COUNT };
    static constexpr int kWidth = 700;
    static constexpr int kRowsHeight = 97;  // the two button rows; sub-panels start here
    static constexpr int kOpenHeight = 500;

    explicit CControlPanel(IPanelHost& host);
    ~CControlPanel() override;

    // The sub-panels whose presses the bar forwards; null while absent.
    CBasePanel2* m_annotationPanel = nullptr;
    CVideoPanel* m_videoPanel = nullptr;

    BOOL OnCreateWindow(CREATESTRUCTW* cs) override;
    void SetUpToolTips();
    BOOL OnButtonEvent(unsigned short id) override;
    // Record, snapshot and print are offered only with a picture to take.
    void RefreshBarButtons();
    void ApplyLayout(Layout layout);
    bool IsExpanded() const;
    BOOL PreTranslateMessage(MSG* msg) override;

    KVQButton& Button(Control control) { return m_buttons[control]; }
    unsigned short LastToolCommand() const { return m_lastToolCommand; }
    // The copy tool is chosen: drags on a picture select areas for the
    // clipboard.
    bool IsCopyToolChosen() const { return m_buttons[COPY_IMAGE].GetCheckState() != 0; }

private:
    struct ButtonRow;
    static const ButtonRow kButtons[CONTROL_COUNT];

    void CreateControls();
    void ApplyNetworkRule();
    BOOL Collapse();
    BOOL Expand();
    BOOL ViewFiles();
    BOOL OpenSettings();
    BOOL SwitchTool(unsigned short id);
    void Show(Control control, bool show);
    BOOL ForwardToAnnotation(unsigned short id);
    BOOL ForwardToVideo(unsigned short id);

    IPanelHost& m_host;
    KVQButton m_buttons[CONTROL_COUNT];
    CToolTipCtrl m_tips[CONTROL_COUNT];
    KVQButton m_templates[LAYOUT_COUNT];
    unsigned short m_lastToolCommand;
    bool m_viewingFiles = false;
    bool m_settingsOpen = false;
};

// "bIsMurnelIst" of the machine's console key: the network discovery service
// is installed. Only a REG_DWORD counts; the key is made when missing.
bool IsDiscoveryServiceInstalled();
