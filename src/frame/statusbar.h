#pragma once

#include <QStatusBar>

class QLabel;

// The status bar: pane 0 carries messages ("レディ" when idle, command prompts while a menu item
// is highlighted); the CAP, NUM and SCRL indicators follow and show their text while the lock
// is on.
class CStatusBar : public QStatusBar
{
    Q_OBJECT

public:
    enum { CountOfPanes = 4 };

    explicit CStatusBar(QWidget *parent = nullptr);

    void SetPaneText(int pane, const QString &text, bool update = true);
    QString GetPaneText(int pane) const;

    // Reads the keyboard's lock state again; the indicators stay empty where it is unknown.
    void UpdateIndicators();
    void SetIndicators(bool capsLock, bool numLock, bool scrollLock);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *m_message = nullptr;
    QLabel *m_indicators[3] = {};
};
