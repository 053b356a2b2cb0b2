#include "previewpane.h"

#include "lessonrequestfilter.h"
#include "previewpage.h"
#include "previewstate.h"
#include "texts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QPointer>
#include <QSplitter>
#include <QVBoxLayout>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <algorithm>
#include <csignal>

namespace {
constexpr int kDelayMilliseconds = 500;
constexpr int kHeartbeatMilliseconds = 1000;

// The first lines of `text` that fit in `limit` bytes of UTF-8, and how many lines that is.
QString fittingLines(const QString &text, qsizetype limit, int &lines)
{
    lines = 0;
    qsizetype bytes = 0;
    qsizetype end = 0;
    while (end < text.size()) {
        qsizetype next = text.indexOf(QLatin1Char('\n'), end);
        next = next < 0 ? text.size() : next + 1;
        bytes += QStringView(text).mid(end, next - end).toUtf8().size();
        if (bytes > limit)
            break;
        end = next;
        ++lines;
    }
    return text.left(end);
}
} // namespace

CPreviewPane::CPreviewPane(CPreviewState *state, QWidget *parent) : QWidget(parent), m_state(state)
{
    setAccessibleName(qs(Str::NamePreview));
    m_interceptor = new CLessonRequestFilter(QString(), this);

    m_splitter = new QSplitter(Qt::Vertical, this);
    m_list = new QListWidget(m_splitter);
    m_list->setAccessibleName(qs(Str::NamePreviewMessages));
    m_list->setWordWrap(true);
    m_splitter->addWidget(m_list);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_splitter);

    m_delay.setSingleShot(true);
    m_delay.setInterval(kDelayMilliseconds);
    connect(&m_delay, &QTimer::timeout, this, &CPreviewPane::UpdateNow);
    m_heartbeat.setInterval(kHeartbeatMilliseconds);
    connect(&m_heartbeat, &QTimer::timeout, this, &CPreviewPane::checkAlive);
    connect(m_state, &CPreviewState::changed, this, &CPreviewPane::showMessages);
    auto activate = [this](QListWidgetItem *item) {
        const int line = item ? item->data(Qt::UserRole).toInt() : 0;
        if (line > 0)
            emit lineActivated(line);
    };
    connect(m_list, &QListWidget::itemClicked, this, activate);
    connect(m_list, &QListWidget::itemActivated, this, activate);
}

CPreviewPane::~CPreviewPane()
{
    m_heartbeat.stop();
    // Pages go before their profile, a replaced one waiting for its deletion too.
    delete m_view;
    m_view = nullptr;
    qDeleteAll(findChildren<CPreviewPage *>(Qt::FindDirectChildrenOnly));
    m_page = nullptr;
}

void CPreviewPane::ensureView()
{
    // Made when first shown: an engine profile and page at start-up would delay the tutorial's
    // first page for a pane most learners open later, if at all.
    if (m_view)
        return;
    m_profile = CreatePreviewProfile(this);
    m_view = new QWebEngineView;
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    m_view->setAccessibleName(qs(Str::NamePreview));
    m_splitter->insertWidget(0, m_view);
    m_splitter->setStretchFactor(0, 3);
    m_splitter->setStretchFactor(1, 1);
    // The splitter shares its room by the panes' size hints, where the view asks for nothing and
    // the list for all: the program would get no room at all. It gets three quarters, and a
    // drag can make it small but never hide it.
    m_splitter->setCollapsible(0, false);
    const int room = std::max(m_splitter->height(), 4);
    m_splitter->setSizes({room * 3 / 4, room - room * 3 / 4});
    createPage();
}

void CPreviewPane::createPage()
{
    m_page = CreatePreviewPage(m_profile, m_interceptor, this);
    connect(m_page, &CPreviewPage::consoleMessage, this, &CPreviewPane::onConsoleMessage);
    connect(m_page, &CPreviewPage::navigationRefused, this, [this](const QUrl &url) {
        m_state->Add(CPreviewState::Notice, 0,
                     qs(Str::PreviewRefused).arg(url.toDisplayString().left(200)));
    });
    connect(m_page, &QWebEnginePage::loadFinished, this, [this] { m_view->setZoomFactor(m_zoom); });
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status) {
                // A renderer that ended by itself (out of memory, a crash) leaves a dead page.
                if (status != QWebEnginePage::NormalTerminationStatus)
                    QMetaObject::invokeMethod(this, &CPreviewPane::replacePage,
                                              Qt::QueuedConnection);
            });
    m_view->setPage(m_page);
    m_view->setZoomFactor(m_zoom);
}

void CPreviewPane::replacePage()
{
    ++m_generation;
    m_heartbeat.stop();
    // What the learner typed while the page hung waits for their next change, so the notice
    // stays in view instead of the same loop starting over at once.
    m_delay.stop();
    m_dirty = false;
    if (m_text)
        m_rendered = m_text().remove(QLatin1Char('\r'));
    CPreviewPage *old = m_page;
    // The profile is the preview's own, so its renderer serves no other page: ending it ends
    // only the stuck program.
    const qint64 pid = old->renderProcessPid();
    if (pid > 0 && pid != QCoreApplication::applicationPid())
        ::kill(pid_t(pid), SIGKILL);
    disconnect(old, nullptr, this, nullptr);
    createPage();
    old->deleteLater();
    m_state->Clear();
    m_state->Add(CPreviewState::Notice, 0, qs(Str::PreviewStopped));
    emit pageStopped();
}

void CPreviewPane::SetSource(std::function<QString()> text, std::function<QString()> folder)
{
    m_text = std::move(text);
    m_folder = std::move(folder);
    ScheduleUpdate();
}

void CPreviewPane::ScheduleUpdate()
{
    m_dirty = true;
    m_delay.start();
}

QUrl CPreviewPane::BaseUrl(const QString &folder)
{
    return folder.isEmpty()
               ? QUrl(QStringLiteral("about:blank"))
               : QUrl::fromLocalFile(QDir(folder).filePath(QStringLiteral("index.html")));
}

void CPreviewPane::UpdateNow()
{
    m_delay.stop();
    if (!isVisible() || !m_text)
        return;
    QString text = m_text();
    text.remove(QLatin1Char('\r'));
    // A stopped program stays stopped until the learner changes it.
    if (!m_dirty && text == m_rendered)
        return;
    m_dirty = false;
    m_rendered = text;
    const QString folder = m_folder ? m_folder() : QString();
    const QUrl base = BaseUrl(folder);
    m_baseAddress = base.toString();
    m_interceptor->SetAllowedFolder(folder);

    int lines = 0;
    const QString shown = fittingLines(text, kMaxProgramBytes, lines);
    m_state->Clear();
    if (shown.size() < text.size())
        m_state->Add(CPreviewState::Notice, 0, qs(Str::PreviewTooLarge).arg(lines));
    ensureView();
    m_page->ShowProgram(shown, base);
    // A page that has not answered since an earlier render keeps its count: a learner typing on
    // must not keep a stuck program alive.
    if (!m_heartbeat.isActive()) {
        m_sinceAnswer.start();
        m_heartbeat.start();
    }
    emit rendered();
}

void CPreviewPane::SetZoomFactor(qreal factor)
{
    m_zoom = factor;
    // A view without its page would make one of the engine's default profile to zoom.
    if (m_view)
        m_view->setZoomFactor(factor);
}

void CPreviewPane::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    ensureView();
    if (m_dirty)
        QMetaObject::invokeMethod(this, &CPreviewPane::UpdateNow, Qt::QueuedConnection);
}

void CPreviewPane::checkAlive()
{
    if (m_sinceAnswer.elapsed() > kHangMilliseconds) {
        // Keep the stuck text as rendered, so it is not rendered again until it changes.
        replacePage();
        return;
    }
    // The answer comes from the page's main thread, which a script in an endless loop holds.
    QPointer<CPreviewPane> self(this);
    const quint64 generation = m_generation;
    m_page->runJavaScript(QStringLiteral("0"), QWebEngineScript::ApplicationWorld,
                          [self, generation](const QVariant &) {
                              if (self && self->m_generation == generation)
                                  self->m_sinceAnswer.start();
                          });
}

void CPreviewPane::onConsoleMessage(int level, const QString &message, int line,
                                    const QString &sourceId)
{
    // The program is the page's own text, so its lines are the editor's lines. Messages from the
    // lesson's other files name their file instead.
    const bool own = sourceId.isEmpty() || sourceId == m_baseAddress ||
                     sourceId.startsWith(QLatin1String("data:"));
    const CPreviewState::Level kind =
        level == QWebEnginePage::ErrorMessageLevel     ? CPreviewState::Error
        : level == QWebEnginePage::WarningMessageLevel ? CPreviewState::Warning
                                                       : CPreviewState::Info;
    if (own) {
        m_state->Add(kind, line, message);
    } else {
        const QString file = QFileInfo(QUrl(sourceId).path()).fileName();
        m_state->Add(kind, 0, QStringLiteral("%1:%2: %3").arg(file).arg(line).arg(message));
    }
}

void CPreviewPane::showMessages()
{
    // Messages are only ever added, repeated at the end or cleared: a program that logs every
    // frame costs one item, not the whole list.
    const QList<CPreviewState::Message> &messages = m_state->Messages();
    if (messages.size() < m_list->count())
        m_list->clear();
    for (qsizetype i = std::max<qsizetype>(m_list->count() - 1, 0); i < messages.size(); ++i) {
        const CPreviewState::Message &message = messages.at(i);
        QString text = message.line > 0 ? qs(Str::PreviewLine).arg(message.line).arg(message.text)
                                        : message.text;
        if (message.repeats > 1)
            text += QStringLiteral(" (×%1)").arg(message.repeats);
        QListWidgetItem *item =
            i < m_list->count() ? m_list->item(int(i)) : new QListWidgetItem(m_list);
        if (item->text() == text)
            continue;
        item->setText(text);
        item->setData(Qt::UserRole, message.line);
        item->setForeground(QBrush());
        item->setFont(m_list->font());
        switch (message.level) {
        case CPreviewState::Error:
            item->setForeground(QColor(200, 0, 0));
            break;
        case CPreviewState::Warning:
            item->setForeground(QColor(160, 96, 0));
            break;
        case CPreviewState::Notice: {
            QFont bold = item->font();
            bold.setBold(true);
            item->setFont(bold);
            break;
        }
        default:
            break;
        }
    }
}
