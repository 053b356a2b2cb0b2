#pragma once

// The learner's program and an expected one side by side, changed lines coloured, scrolling
// together line beside line, with 「手本に合わせる」 to take the expected program.

#include <QWidget>

#include <memory>
#include <string>

class CLineAlignment;
class QLabel;
class QPlainTextEdit;
class QPushButton;

class CCompareWnd : public QWidget
{
    Q_OBJECT

public:
    explicit CCompareWnd(QWidget *parent = nullptr);
    ~CCompareWnd() override;

    // Both programs in code page 932; `note` is shown above them when not empty.
    void ShowPrograms(const std::string &mine, const std::string &expected, const QString &note);
    const std::string &GetExpected() const { return m_expected; }

    QPlainTextEdit *MineView() const { return m_mine; }
    QPlainTextEdit *ExpectedView() const { return m_expectedView; }
    QPushButton *AdoptButton() const { return m_adopt; }
    QLabel *NoteLabel() const { return m_note; }

signals:
    // 「手本に合わせる」: replace the learner's program with GetExpected().
    void AdoptExpected();

private:
    QLabel *m_note = nullptr;
    QPlainTextEdit *m_mine = nullptr;
    QPlainTextEdit *m_expectedView = nullptr;
    QPushButton *m_adopt = nullptr;
    std::string m_expected;
    std::unique_ptr<CLineAlignment> m_alignment;
    bool m_syncing = false;
};
