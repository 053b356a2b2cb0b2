#pragma once

// Command routing as a single-document program routes it: the active view first, then the
// document, the main frame and the application. Each stop answers whether it handles a command
// and, for menus and toolbar buttons, whether the command is enabled or checked.

class CCmdUI
{
public:
    explicit CCmdUI(int id) : m_nID(id) {}

    void Enable(bool on = true) { m_enabled = on; }
    void SetCheck(int check = 1) { m_checked = check != 0; }

    int m_nID;
    bool m_enabled = true;
    bool m_checked = false;
};

class CCmdTarget
{
public:
    virtual ~CCmdTarget() = default;

    // Runs the command; false when this target has no handler for it.
    virtual bool OnCmdMsg(int id)
    {
        (void)id;
        return false;
    }
    // Fills in the command's state; false when this target has no handler for it.
    virtual bool OnUpdateCmdUI(CCmdUI &ui)
    {
        (void)ui;
        return false;
    }
};

// A pane that views the document: the framework gives it an initial update whenever a document
// is created or opened.
class CView : public CCmdTarget
{
public:
    virtual void OnInitialUpdate() {}
};
