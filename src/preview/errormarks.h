#pragma once

#include <QColor>
#include <QWidget>

class CLineWnd;
class CPreviewState;

// Red marks at the gutter's left edge beside the lines the preview reported errors on. It lies
// over the gutter, takes no input and reads the gutter's rows as the gutter last painted them.
class CErrorMarks final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CErrorMarks)

public:
    static constexpr int kWidth = 3;

    CErrorMarks(CPreviewState *state, CLineWnd *gutter);

    // Not the arrows' red, so an added line with an error shows both.
    static QColor MarkColor() { return QColor(220, 20, 60); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    CPreviewState *m_state;
    CLineWnd *m_gutter;
};
