#include "comparewnd.h"

#include "lessoncompare.h"
#include "qtcodepage.h"
#include "texts.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>

#include <vector>

namespace {
const QColor kChanged(255, 200, 140);

QPlainTextEdit *programView(QWidget *parent, const QString &name)
{
    auto *view = new QPlainTextEdit(parent);
    view->setObjectName(name);
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont text = view->font();
    text.setFamilies({QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("Noto Sans CJK JP"),
                      QStringLiteral("monospace")});
    text.setStyleHint(QFont::Monospace);
    view->setFont(text);
    return view;
}

// Shows `program` and colours its 1-based `lines`.
void fill(QPlainTextEdit *view, const std::string &program, const std::vector<int> &lines)
{
    QString text = FromCp932(program);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    view->setPlainText(text);
    QList<QTextEdit::ExtraSelection> marks;
    for (const int line : lines) {
        const QTextBlock block = view->document()->findBlockByNumber(line - 1);
        if (!block.isValid())
            continue;
        QTextEdit::ExtraSelection mark;
        mark.cursor = QTextCursor(block);
        mark.format.setBackground(kChanged);
        mark.format.setProperty(QTextFormat::FullWidthSelection, true);
        marks.append(mark);
    }
    view->setExtraSelections(marks);
}
} // namespace

CCompareWnd::CCompareWnd(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("compareWnd"));
    setWindowTitle(qs(Str::CompareTitle));
    resize(900, 600);

    m_note = new QLabel(this);
    m_note->setWordWrap(true);
    m_note->setTextFormat(Qt::PlainText);
    m_mine = programView(this, QStringLiteral("mine"));
    m_expectedView = programView(this, QStringLiteral("expected"));
    m_adopt = new QPushButton(qs(Str::CompareAdopt), this);
    m_adopt->setObjectName(QStringLiteral("adopt"));

    auto *columns = new QHBoxLayout;
    for (const auto &[title, view] :
         {std::pair{Str::CompareMine, m_mine}, std::pair{Str::CompareExpected, m_expectedView}}) {
        auto *column = new QVBoxLayout;
        column->addWidget(new QLabel(qs(title), this));
        column->addWidget(view);
        columns->addLayout(column);
    }
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_adopt);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_note);
    layout->addLayout(columns, 1);
    layout->addLayout(buttons);

    // The two sides move together, both ways: down to the lines that stand beside each other,
    // across by position.
    auto sync = [this](QScrollBar *to, bool fromMine, bool byLine) {
        return [this, to, fromMine, byLine](int value) {
            if (m_syncing)
                return;
            m_syncing = true;
            // A view without wrapping scrolls by lines: its value is the first line shown.
            if (byLine && m_alignment)
                value = (fromMine ? m_alignment->ExpectedFor(value + 1)
                                  : m_alignment->MineFor(value + 1)) -
                        1;
            to->setValue(value);
            m_syncing = false;
        };
    };
    for (const Qt::Orientation orientation : {Qt::Vertical, Qt::Horizontal}) {
        auto bar = [orientation](QPlainTextEdit *view) {
            return orientation == Qt::Vertical ? view->verticalScrollBar()
                                               : view->horizontalScrollBar();
        };
        const bool byLine = orientation == Qt::Vertical;
        connect(bar(m_mine), &QScrollBar::valueChanged, this,
                sync(bar(m_expectedView), true, byLine));
        connect(bar(m_expectedView), &QScrollBar::valueChanged, this,
                sync(bar(m_mine), false, byLine));
    }
    connect(m_adopt, &QPushButton::clicked, this, &CCompareWnd::AdoptExpected);
}

CCompareWnd::~CCompareWnd() = default;

void CCompareWnd::ShowPrograms(const std::string &mine, const std::string &expected,
                               const QString &note)
{
    m_expected = expected;
    const CProgramComparison comparison(mine, expected);
    m_alignment = std::make_unique<CLineAlignment>(comparison);
    fill(m_mine, mine, comparison.DifferentLines());
    fill(m_expectedView, expected, comparison.DifferentExpectedLines());
    const QString text = note.isEmpty() && comparison.Same() ? qs(Str::CompareSame) : note;
    m_note->setText(text);
    m_note->setVisible(!text.isEmpty());
}
