#pragma once

#include <QWidget>

// The 30-pixel gutter over the editor's left edge: line numbers and the current page's arrows.
class CLineWnd : public QWidget
{
    Q_OBJECT

public:
    explicit CLineWnd(QWidget *parent = nullptr);

    int m_lineCount = 1;
    int m_firstVisibleLine = 0;
    int m_lineHeight = 16;
    int m_textX = 1;
    int m_topY = 0;
};
