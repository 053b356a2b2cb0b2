#pragma once

#include "editview.h"

class CLineWnd;

// The learner's editor: shows each page's lines, accepts the page's one edit and owns the gutter.
class CProgrammingView : public CEditView
{
    Q_OBJECT

public:
    explicit CProgrammingView(QWidget *parent = nullptr);
    ~CProgrammingView() override;

    void ShowPageLines();
    void OnEditCut();
    void OnEditPaste();
    void OnInitialUpdate() override;

    bool OnCmdMsg(int id) override;
    bool OnUpdateCmdUI(CCmdUI &ui) override;

    CLineWnd *m_lineWnd = nullptr;
    int m_lastLineCount = 0;
    bool m_pageDone = false;
};
