#pragma once

#include <QDialog>

class CLessonProgress;
class QListWidget;
class QPushButton;

// The history of the open lesson, newest first: when, which step, how many lines changed. The
// chosen snapshot comes back with 「この時点に戻す」; the program it replaces is kept first.
class CHistoryDlg final : public QDialog
{
    Q_OBJECT

public:
    CHistoryDlg(CLessonProgress *progress, QWidget *parent = nullptr);

    QListWidget *List() const { return m_list; }
    QPushButton *RestoreButton() const { return m_restore; }
    // Brings back the selected snapshot; false when none is selected or it failed.
    bool RestoreSelected();
    void Reload();

private:
    CLessonProgress *m_progress;
    QListWidget *m_list = nullptr;
    QPushButton *m_restore = nullptr;
};
