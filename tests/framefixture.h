#pragma once

// The real main window as the pane tests use it: shown, exposed, active, and known as the
// application's main window.

#include "mainframe.h"

#include <QTest>

inline bool ShowMainFrame(CMainFrame *frame)
{
    AfxSetMainWnd(frame);
    frame->resize(1000, 700);
    frame->show();
    if (!QTest::qWaitForWindowExposed(frame))
        return false;
    frame->activateWindow();
    return QTest::qWaitForWindowActive(frame);
}
