#pragma once

// The plain-text edit control under the editor pane. Positions follow the classic control: UTF-16
// code units with every line break counting as the two units of CR LF, so lesson line numbers and
// selection positions mean the same as in the lesson's own tables. Display lines are text lines:
// the control never wraps, and nothing it accepts makes a soft line break.

#include "cmdtarget.h"

#include <QMargins>
#include <QPlainTextEdit>
#include <QStringView>

#include <functional>

class CEditView : public QPlainTextEdit, public CView
{
    Q_OBJECT

public:
    explicit CEditView(QWidget *parent = nullptr);

    // The whole text with CR LF line ends.
    QString GetWindowText() const;
    // The text as the document keeps it, each line break a U+2029, handed to `take` in pieces,
    // in order, cut anywhere, without copying it.
    void ReadRawText(const std::function<void(QStringView)> &take) const;
    void SetWindowText(const QString &text);
    // Length of the text in control positions.
    int GetWindowTextLength() const;

    int GetLineCount() const;        // 1 for an empty text
    int GetFirstVisibleLine() const; // zero-based
    // Control position of the start of a zero-based line, or -1 when the text has no such line.
    int LineIndex(int line) const;
    void SetSel(int start, int end); // control positions; does not scroll
    void GetSel(int &start, int &end) const;
    void LineScroll(int lines); // keeps the first visible line within the text
    void Cut();
    void Paste();
    // Distance between two text lines, in pixels.
    int GetLineHeight() const;
    void SetTabStops(int dialogUnits);
    // Left and right margins of the text area, in pixels.
    QMargins GetMargins() const;
    void SetMargins(int left, int right);

    bool OnCmdMsg(int id) override;
    bool OnUpdateCmdUI(CCmdUI &ui) override;

signals:
    void EnChange();  // after every change of the text
    void EnVscroll(); // after vertical scrolling

protected:
    void keyPressEvent(QKeyEvent *e) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    int toDocument(int position) const;
    int toControl(int position) const;
    void noteScroll();
    void keepLongLineGlyphs(int position, int removed, int added);

    bool m_holdScroll = false;
    int m_reportedFirstLine = 0;
};
