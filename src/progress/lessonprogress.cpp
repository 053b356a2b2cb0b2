#include "lessonprogress.h"

#include "messagebox.h"
#include "pathbytes.h"
#include "progressschema.h"
#include "texts.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

const QString CLessonProgress::ReasonStep = QStringLiteral("step");
const QString CLessonProgress::ReasonRestore = QStringLiteral("restore");
const QString CLessonProgress::ReasonStartOver = QStringLiteral("start-over");
const QString CLessonProgress::ReasonKept = QStringLiteral("kept");

CLessonProgress::CLessonProgress(std::unique_ptr<CProgressStore> store, QObject *parent)
    : QObject(parent), m_store(std::move(store))
{
    // Started by the first unsaved edit and not pushed back by later ones, so steady typing is
    // saved too: a crash loses at most the delay.
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(ProgressSchema::kSaveDelayMs);
    connect(&m_saveTimer, &QTimer::timeout, this, &CLessonProgress::SaveNow);
    m_retryTimer.setSingleShot(true);
    m_retryTimer.setInterval(ProgressSchema::kRetryDelayMs);
    connect(&m_retryTimer, &QTimer::timeout, this, &CLessonProgress::SaveNow);
}

CLessonProgress::~CLessonProgress() = default;

void CLessonProgress::SetStore(std::unique_ptr<CProgressStore> store)
{
    m_store = std::move(store);
    m_failureReported = false;
    m_retryTimer.stop();
    m_retryTimer.setInterval(ProgressSchema::kRetryDelayMs);
}

QString CLessonProgress::LessonKey(const QString &lessonPath)
{
    if (lessonPath.isEmpty())
        return {};
    // By the name's bytes, which need not be UTF-8.
    char resolved[PATH_MAX];
    const QByteArray key =
        ::realpath(PathToBytes(lessonPath).constData(), resolved)
            ? QByteArray(resolved)
            : PathToBytes(QDir::cleanPath(QFileInfo(lessonPath).absoluteFilePath()));
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(key);
    if (!utf8.hasError())
        return text;
    // Text in the database cannot carry stray bytes; spelt out, no two names share a key.
    return QStringLiteral("bytes:") + QString::fromLatin1(key.toPercentEncoding("/"));
}

QString CLessonProgress::LessonHash(const QString &lessonPath)
{
    const int fd = ::open(PathToBytes(lessonPath).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return {};
    QFile file;
    struct stat st;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                    file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle) &&
                    hash.addData(&file);
    if (!file.isOpen())
        ::close(fd);
    return ok ? QString::fromLatin1(hash.result().toHex()) : QString();
}

bool CLessonProgress::ensureOpen()
{
    if (!m_store)
        return false;
    if (m_store->IsOpen())
        return true;
    // After a failure the store gets a rest before the next try, so typing is not slowed down.
    if (m_retryTimer.isActive())
        return false;
    QString error;
    QString movedTo;
    const bool opened = m_store->Open(&error, &movedTo);
    if (!movedTo.isEmpty())
        AfxMessageBox(qs(Str::ProgressMovedAside).arg(QDir::toNativeSeparators(movedTo)),
                      MB_OK | MB_ICONEXCLAMATION);
    if (!opened) {
        reportFailure(error);
        return false;
    }
    return true;
}

void CLessonProgress::reportFailure(const QString &error)
{
    if (m_store)
        m_store->Close();
    // Each failure in a row doubles the rest, so a store that stays locked costs little.
    if (m_failureReported)
        m_retryTimer.setInterval(
            std::min(m_retryTimer.interval() * 2, ProgressSchema::kRetryMaxMs));
    m_retryTimer.start();
    if (m_failureReported)
        return;
    m_failureReported = true;
    AfxMessageBox(qs(Str::ProgressCannotSave).arg(error), MB_OK | MB_ICONEXCLAMATION);
}

CLessonProgress::EditorState CLessonProgress::editorState() const
{
    return m_probe ? m_probe() : EditorState{};
}

void CLessonProgress::SetKeeping(bool keep)
{
    m_keeping = keep;
    if (!keep) {
        m_pending.reset();
        m_path.clear();
        OpenLesson(QString());
    }
}

void CLessonProgress::OpenLesson(const QString &lessonPath)
{
    SaveNow();
    m_saveTimer.stop();
    m_path = m_keeping ? LessonKey(lessonPath) : QString();
    m_hash = m_path.isEmpty() ? QString() : LessonHash(lessonPath);
    m_page = -1;
    m_done.clear();
    m_pending.reset();
    m_caretPending.reset();
    m_hasRecord = false;
    m_loadFailed = false;
    if (m_path.isEmpty())
        return;
    if (!ensureOpen()) {
        m_loadFailed = true;
        return;
    }
    QString error;
    m_pending = m_store->Load(m_path, &error);
    if (!error.isEmpty()) {
        m_loadFailed = true;
        reportFailure(error);
        return;
    }
    m_hasRecord = m_pending.has_value();
    if (m_pending) {
        // The document and the frame finish opening first: they show the first page and empty
        // the editor, and the saved state comes after.
        QTimer::singleShot(0, this, [this, path = m_path] {
            if (path == m_path)
                resume();
        });
    }
}

void CLessonProgress::resume()
{
    if (!m_pending)
        return;
    const CLessonRecord record = *m_pending;
    m_pending.reset();
    m_done = record.doneSteps;
    m_page = record.page;
    emit programReplaced(record.program);
    // The page may already be showing, its step still open.
    for (const int page : std::as_const(m_done))
        emit stepStateChanged(page, true);
    m_caretPending = record;
    if (record.page >= 0) {
        emit pageRequested(record.page);
    } else {
        m_caretPending.reset();
        emit caretRestored(record.caretAnchor, record.caretPosition, record.firstLine);
    }
    const bool changed = !record.lessonHash.isEmpty() && record.lessonHash != m_hash;
    emit statusMessage(qs(changed ? Str::ProgressResumedChanged : Str::ProgressResumed));
}

void CLessonProgress::NoteEdited()
{
    if (m_path.isEmpty() || m_pending)
        return;
    if (!m_saveTimer.isActive())
        m_saveTimer.start();
}

void CLessonProgress::NotePageShown(int page)
{
    if (m_path.isEmpty() || m_pending)
        return;
    m_page = page;
    SaveNow();
    emit pageChanged(page);
}

void CLessonProgress::NotePageLoaded(int page)
{
    if (!m_caretPending || m_caretPending->page != page || m_pending)
        return;
    const CLessonRecord record = *m_caretPending;
    m_caretPending.reset();
    emit caretRestored(record.caretAnchor, record.caretPosition, record.firstLine);
}

void CLessonProgress::MarkStepDone(int page, bool snapshot)
{
    if (m_path.isEmpty() || page < 0)
        return;
    m_done.insert(page);
    if (snapshot)
        TakeSnapshot(ReasonStep);
    SaveNow();
    emit stepStateChanged(page, true);
}

void CLessonProgress::ReopenStep(int page)
{
    if (!m_done.contains(page))
        return;
    m_done.remove(page);
    SaveNow();
    emit stepStateChanged(page, false);
}

void CLessonProgress::StartOver()
{
    TakeSnapshot(ReasonStartOver);
    m_done.clear();
    m_caretPending.reset();
    emit programReplaced(QString());
    m_page = 0;
    SaveNow();
    emit pageRequested(0);
}

bool CLessonProgress::TakeSnapshot(const QString &reason)
{
    if (m_path.isEmpty() || m_pending || !ensureOpen())
        return false;
    QString error;
    if (!keepUnloadedRecord(&error)) {
        reportFailure(error);
        return false;
    }
    CSnapshot snapshot;
    snapshot.reason = reason;
    snapshot.page = m_page;
    snapshot.doneSteps = m_done;
    snapshot.program = editorState().program;
    if (!m_store->AddSnapshot(m_path, snapshot, &error)) {
        reportFailure(error);
        return false;
    }
    m_hasRecord = true;
    emit historyChanged();
    return true;
}

void CLessonProgress::ReplaceProgram(const QString &text, const QString &reason)
{
    if (m_path.isEmpty())
        return;
    TakeSnapshot(reason);
    emit programReplaced(text);
    SaveNow();
}

QList<CSnapshot> CLessonProgress::Snapshots()
{
    if (m_path.isEmpty() || !ensureOpen())
        return {};
    QString error;
    QList<CSnapshot> list = m_store->Snapshots(m_path, &error);
    if (!error.isEmpty())
        reportFailure(error);
    return list;
}

bool CLessonProgress::RestoreSnapshot(qint64 id)
{
    if (m_path.isEmpty() || m_pending || !ensureOpen())
        return false;
    QString error;
    const std::optional<CSnapshot> snapshot = m_store->Snapshot(id, &error);
    if (!snapshot) {
        if (!error.isEmpty())
            reportFailure(error);
        return false;
    }
    // What is there now becomes a snapshot too, so that the restore can itself be undone.
    TakeSnapshot(ReasonRestore);
    m_done = snapshot->doneSteps;
    m_caretPending.reset();
    emit programReplaced(snapshot->program);
    m_page = snapshot->page;
    SaveNow();
    if (snapshot->page >= 0)
        emit pageRequested(snapshot->page);
    emit historyChanged();
    return true;
}

bool CLessonProgress::keepUnloadedRecord(QString *error)
{
    // The saved state could not be read when the lesson opened: before it is overwritten it
    // goes into the history.
    if (!m_loadFailed)
        return true;
    const std::optional<CLessonRecord> stored = m_store->Load(m_path, error);
    if (!error->isEmpty())
        return false;
    if (stored && !stored->program.isEmpty()) {
        CSnapshot kept;
        kept.reason = ReasonKept;
        kept.page = stored->page;
        kept.doneSteps = stored->doneSteps;
        kept.program = stored->program;
        kept.takenAt = stored->savedAt;
        if (!m_store->AddSnapshot(m_path, kept, error))
            return false;
    }
    m_loadFailed = false;
    return true;
}

bool CLessonProgress::SaveNow()
{
    m_saveTimer.stop();
    if (m_path.isEmpty() || m_pending)
        return true;
    const EditorState state = editorState();
    // A lesson only opened and looked at leaves nothing behind.
    if (!m_hasRecord && state.program.isEmpty() && m_done.isEmpty() && m_page <= 0)
        return true;
    if (!ensureOpen())
        return false;
    QString error;
    if (!keepUnloadedRecord(&error)) {
        reportFailure(error);
        return false;
    }
    CLessonRecord record;
    record.path = m_path;
    record.lessonHash = m_hash;
    record.program = state.program;
    record.page = m_page;
    record.doneSteps = m_done;
    record.caretAnchor = state.caretAnchor;
    record.caretPosition = state.caretPosition;
    record.firstLine = state.firstLine;
    if (!m_store->Save(record, &error)) {
        reportFailure(error);
        return false;
    }
    m_hasRecord = true;
    m_failureReported = false;
    m_retryTimer.setInterval(ProgressSchema::kRetryDelayMs);
    return true;
}

std::optional<CLessonProgress::Summary> CLessonProgress::ReadSummary(const QString &lessonPath)
{
    const QString key = LessonKey(lessonPath);
    if (key.isEmpty() || !ensureOpen())
        return std::nullopt;
    QString error;
    const std::optional<CLessonRecord> record = m_store->Load(key, &error);
    if (!record)
        return std::nullopt;
    Summary summary;
    summary.page = record->page;
    summary.doneSteps = record->doneSteps;
    summary.doneCount = int(record->doneSteps.size());
    summary.savedAt = record->savedAt;
    return summary;
}
