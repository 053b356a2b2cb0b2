#pragma once

#include <QStatusBar>

class QLabel;

// The status bar: pane 0 carries messages ("レディ" when idle, command prompts while a menu item
// is highlighted); the CAP, NUM and SCRL indicators follow.
class CStatusBar : public QStatusBar
{
    Q_OBJECT

public:
    explicit CStatusBar(QWidget *parent = nullptr);

    void SetPaneText(int pane, const QString &text, bool update = true);
    QString GetPaneText(int pane) const;

private:
    QLabel *m_message = nullptr;
};
