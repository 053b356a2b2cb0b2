#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The About box: the program's icon, name and version, and three lines about it.
class CAboutDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget *parent = nullptr);

    int DoModal() { return exec(); }

    // Dialog units to pixels at the dialog font's average character size.
    QRect MapDialogRect(int x, int y, int cx, int cy) const;

    QLabel *m_icon = nullptr;
    QLabel *m_lines[4] = {};
    QPushButton *m_ok = nullptr;

signals:
    // The learner followed the link to the guide.
    void GuideRequested();
};
