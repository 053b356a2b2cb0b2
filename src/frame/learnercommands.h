#pragma once

#include <QFont>
#include <QHash>
#include <QObject>

class CMainFrame;
class CPreviewPane;
class CPreviewState;
class CSyntaxHighlighter;
class QAction;
class QDockWidget;
class QMenu;
class QWidget;

// The commands that let a learner work from the keyboard and at their own size, and the live
// preview beside the editor: the preview's pane, the editor's colours, zoom per pane, and the
// names the panes give to assistive technology. Settings are read at start and written as they
// change.
class CLearnerCommands final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CLearnerCommands)

public:
    enum Pane { EditorPane, TutorialPane, PreviewPane, PaneCount };
    // Zoom steps, as browsers offer them; level 0 is the original size.
    static constexpr double kZoomFactors[] = {0.5,  0.67, 0.75, 0.8, 0.9, 1.0, 1.1,
                                              1.25, 1.5,  1.75, 2.0, 2.5, 3.0};
    static constexpr int kZoomOrigin = 5;

    CLearnerCommands(CMainFrame *frame, CPreviewState *state);

    QAction *Action(int id) const { return m_actions.value(id); }
    CPreviewPane *Preview() const { return m_preview; }
    QDockWidget *PreviewDock() const { return m_dock; }
    CSyntaxHighlighter *Highlighter() const { return m_highlighter; }

    // The pane that zoom keys act on: the one holding the focus, the editor otherwise.
    Pane FocusedPane() const;
    int ZoomLevel(Pane pane) const { return m_zoom[pane]; }
    void SetZoomLevel(Pane pane, int level);

    void ShowPreview(bool show);
    bool IsPreviewShown() const;
    void SetPreviewBelow(bool below);
    void SetSyntaxColors(bool on);

    // The keyboard commands. Following a link answers in the status bar when it cannot.
    void CopyStep();
    void SelectStep();
    void FollowPageLink(bool next);
    void GoToLine(int line);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createActions();
    void balanceColumns();
    void addToMenus();
    void createPreview();
    void setupAccessibility();
    void loadSettings();
    void applyZoom(Pane pane);
    void updateStepText();
    void run(int id);
    QMenu *menu(const char *title) const;

    CMainFrame *m_frame;
    CPreviewState *m_state;
    CPreviewPane *m_preview = nullptr;
    QDockWidget *m_dock = nullptr;
    CSyntaxHighlighter *m_highlighter = nullptr;
    QHash<int, QAction *> m_actions;
    QFont m_editorFont;
    int m_zoom[PaneCount] = {0, 0, 0};
    bool m_below = false;
};
