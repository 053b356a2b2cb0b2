#pragma once

#include "cmdtarget.h"

#include <QColor>
#include <QHash>
#include <QPixmap>
#include <QWidget>

class CEditView;
class CLessonCheck;

// The 30-pixel gutter over the editor's left edge: the numbers of the visible lines and, beside
// the current page's lines, arrows in the page's colour. Everything it draws is read afresh from
// the editor and the lesson at each paint; the editor decides when it repaints.
class CLineWnd : public QWidget, public CCmdTarget
{
    Q_OBJECT

public:
    explicit CLineWnd(CEditView *editor);

    // The arrow colour of a page kind.
    static QColor ArrowColor(int kind);
    // The arrow's outline for the row whose top is y.
    QPolygon ArrowPolygon(int y) const;

    // The context menu's Cut and Paste, handed to the editor.
    bool OnCmdMsg(int id) override;

    // Arrows where the page's lines stand in the learner's program, and a mark on lines that
    // differ from the lesson's.
    void SetLessonCheck(CLessonCheck *check) { m_lessonCheck = check; }

    int m_lineCount = 1;
    int m_firstVisibleLine = 0;
    int m_lineHeight = 16;
    int m_textX = 1;
    int m_topY = 0;
    // Where the arrows start; the editor moves them right of wide numbers.
    int m_arrowX = 12;
    // Once the step is done the arrows mark the lines it produced instead of the page's lines.
    bool m_showResult = false;
    qint64 m_resultFirst = 0; // zero-based
    qint64 m_resultEnd = 0;   // one past the last

signals:
    void Painted(); // after every paint

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void drawRows(QPainter &painter);
    void showContextMenu();

    CEditView *m_editor;
    // Each number's row as last drawn: shaping and drawing text is most of the cost of a paint.
    QHash<int, QPixmap> m_numbers;
    QFont m_numberFont;
    QSize m_numberSize;
    CLessonCheck *m_lessonCheck = nullptr;
};
