#include "historydlg.h"

#include "lessonprogress.h"
#include "texts.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QString reasonText(const QString &reason)
{
    if (reason == CLessonProgress::ReasonStep)
        return qs(Str::HistoryReasonStep);
    if (reason == CLessonProgress::ReasonRestore)
        return qs(Str::HistoryReasonRestore);
    if (reason == CLessonProgress::ReasonStartOver)
        return qs(Str::HistoryReasonStartOver);
    if (reason == CLessonProgress::ReasonKept)
        return qs(Str::HistoryReasonKept);
    return reason;
}
} // namespace

CHistoryDlg::CHistoryDlg(CLessonProgress *progress, QWidget *parent)
    : QDialog(parent), m_progress(progress)
{
    setWindowTitle(qs(Str::HistoryTitle));
    setObjectName(QStringLiteral("historyDialog"));
    m_list = new QListWidget(this);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_restore = buttons->addButton(qs(Str::HistoryRestore), QDialogButtonBox::ActionRole);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    resize(520, 400);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_restore, &QPushButton::clicked, this, &CHistoryDlg::RestoreSelected);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &CHistoryDlg::RestoreSelected);
    connect(m_list, &QListWidget::currentRowChanged, this,
            [this](int row) { m_restore->setEnabled(row >= 0); });
    connect(m_progress, &CLessonProgress::historyChanged, this, &CHistoryDlg::Reload);
    Reload();
}

void CHistoryDlg::Reload()
{
    m_list->clear();
    for (const CSnapshot &snapshot : m_progress->Snapshots()) {
        const QString step = snapshot.page >= 0 ? qs(Str::HistoryStep).arg(snapshot.page + 1)
                                                : qs(Str::HistoryNoStep);
        const QString text =
            qs(Str::HistoryRow)
                .arg(snapshot.takenAt.toLocalTime().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")),
                     step)
                .arg(snapshot.linesAdded)
                .arg(snapshot.linesRemoved)
                .arg(reasonText(snapshot.reason));
        auto *item = new QListWidgetItem(text, m_list);
        item->setData(Qt::UserRole, snapshot.id);
    }
    m_restore->setEnabled(m_list->currentRow() >= 0);
}

bool CHistoryDlg::RestoreSelected()
{
    const QListWidgetItem *item = m_list->currentItem();
    if (!item)
        return false;
    const qint64 id = item->data(Qt::UserRole).toLongLong();
    if (!m_progress->RestoreSnapshot(id))
        return false;
    accept();
    return true;
}
