#include "editview.h"

#include "resource.h"

#include <QScrollBar>
#include <QTextBlock>

CEditView::CEditView(QWidget *parent) : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    connect(this, &QPlainTextEdit::textChanged, this, &CEditView::EnChange);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &CEditView::EnVscroll);
}

QString CEditView::GetWindowText() const
{
    return toPlainText().replace(QLatin1Char('\n'), QLatin1String("\r\n"));
}

void CEditView::SetWindowText(const QString &text)
{
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    setPlainText(plain);
}

int CEditView::GetLineCount() const
{
    return document()->blockCount();
}

int CEditView::GetFirstVisibleLine() const
{
    return verticalScrollBar()->value();
}

void CEditView::SetSel(int start, int end)
{
    // Control positions count each line break twice; the document counts it once.
    auto toDocument = [this](int pos) {
        const QString text = toPlainText();
        int units = 0;
        int i = 0;
        for (; i < text.size() && units < pos; ++i)
            units += text.at(i) == QLatin1Char('\n') ? 2 : 1;
        return i;
    };
    QTextCursor cursor = textCursor();
    cursor.setPosition(toDocument(start));
    cursor.setPosition(toDocument(end), QTextCursor::KeepAnchor);
    const int value = verticalScrollBar()->value();
    setTextCursor(cursor);
    verticalScrollBar()->setValue(value);
}

void CEditView::LineScroll(int lines)
{
    QScrollBar *bar = verticalScrollBar();
    bar->setValue(bar->value() + lines);
}

void CEditView::Cut()
{
    cut();
}

void CEditView::Paste()
{
    paste();
}

int CEditView::GetLineHeight() const
{
    return fontMetrics().height();
}

bool CEditView::OnCmdMsg(int id)
{
    switch (id) {
    case ID_EDIT_COPY:
        copy();
        return true;
    case ID_EDIT_UNDO:
        undo();
        return true;
    case ID_EDIT_SELECT_ALL:
        selectAll();
        return true;
    default:
        return false;
    }
}

bool CEditView::OnUpdateCmdUI(CCmdUI &ui)
{
    switch (ui.m_nID) {
    case ID_EDIT_COPY:
        ui.Enable(textCursor().hasSelection());
        return true;
    case ID_EDIT_UNDO:
        ui.Enable(document()->isUndoAvailable());
        return true;
    case ID_EDIT_SELECT_ALL:
        return true;
    default:
        return false;
    }
}
