#pragma once

// The plain-text edit control under the editor pane. Positions follow the classic control: UTF-16
// code units with every line break counting as the two units of CR LF, so lesson line numbers and
// selection positions mean the same as in the lesson's own tables.

#include "cmdtarget.h"

#include <QPlainTextEdit>

class CEditView : public QPlainTextEdit, public CView
{
    Q_OBJECT

public:
    explicit CEditView(QWidget *parent = nullptr);

    // The whole text with CR LF line ends.
    QString GetWindowText() const;
    void SetWindowText(const QString &text);

    int GetLineCount() const;        // 1 for an empty text
    int GetFirstVisibleLine() const; // zero-based
    void SetSel(int start, int end); // control positions; does not scroll
    void LineScroll(int lines);      // keeps the first visible line within the text
    void Cut();
    void Paste();
    int GetLineHeight() const;

    bool OnCmdMsg(int id) override;
    bool OnUpdateCmdUI(CCmdUI &ui) override;

signals:
    void EnChange();  // after every change of the text
    void EnVscroll(); // after vertical scrolling
};
