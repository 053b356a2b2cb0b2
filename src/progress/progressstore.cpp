#include "progressstore.h"

#include "progressschema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>

#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// SQLite's own result codes for a file that is not, or no longer, a sound database.
bool isBrokenError(const QSqlError &error)
{
    const int code = error.nativeErrorCode().toInt();
    const int primary = code & 0xff;
    return primary == 11 /* SQLITE_CORRUPT */ || primary == 26 /* SQLITE_NOTADB */;
}

QString describe(const QSqlError &error)
{
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return text.isEmpty() ? QStringLiteral("?") : text;
}

QString stepsText(const QSet<int> &steps)
{
    return QString::fromStdString(ProgressSchema::FormatSteps({steps.cbegin(), steps.cend()}));
}

QSet<int> stepsOf(const QVariant &value)
{
    const std::set<int> steps = ProgressSchema::ParseSteps(value.toString().toStdString());
    return {steps.cbegin(), steps.cend()};
}

QDateTime timeOf(const QVariant &value)
{
    return QDateTime::fromMSecsSinceEpoch(value.toLongLong(), Qt::UTC);
}

// Runs the statement; on failure notes why and returns false.
bool run(QSqlQuery &query, QString *error)
{
    if (query.exec())
        return true;
    if (error)
        *error = describe(query.lastError());
    return false;
}

// One transaction for the body; rolled back unless it succeeded.
template <typename Body> bool inTransaction(const QString &connection, QString *error, Body body)
{
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    if (!db.transaction()) {
        if (error)
            *error = describe(db.lastError());
        return false;
    }
    if (!body()) {
        db.rollback();
        return false;
    }
    if (!db.commit()) {
        if (error)
            *error = describe(db.lastError());
        db.rollback();
        return false;
    }
    return true;
}
} // namespace

CSqliteProgressStore::CSqliteProgressStore(QString filePath, int snapshotsKept)
    : m_filePath(std::move(filePath)),
      m_snapshotsKept(snapshotsKept > 0 ? snapshotsKept : ProgressSchema::kSnapshotsKept)
{
    static std::atomic<int> serial{0};
    m_connection = QStringLiteral("bolto-progress-%1").arg(++serial);
}

CSqliteProgressStore::~CSqliteProgressStore()
{
    Close();
}

QString CSqliteProgressStore::DefaultFilePath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("progress.sqlite"));
}

std::unique_ptr<CProgressStore> CreateDefaultProgressStore()
{
    return std::make_unique<CSqliteProgressStore>(CSqliteProgressStore::DefaultFilePath());
}

bool CSqliteProgressStore::IsOpen() const
{
    return m_open;
}

void CSqliteProgressStore::Close()
{
    m_open = false;
    if (QSqlDatabase::contains(m_connection)) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_connection, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_connection);
    }
}

bool CSqliteProgressStore::Open(QString *error, QString *notice)
{
    if (m_open)
        return true;
    const OpenResult result = openFile(error);
    if (result != OpenResult::broken)
        return result == OpenResult::ok;
    // Never deleted: the learner or a tool may still get something out of it.
    QString movedTo;
    if (!moveBrokenAside(&movedTo, error))
        return false;
    if (notice)
        *notice = movedTo;
    return openFile(error) == OpenResult::ok;
}

CSqliteProgressStore::OpenResult CSqliteProgressStore::openFile(QString *error)
{
    Close();
    const QFileInfo info(m_filePath);
    if (!QDir().mkpath(info.absolutePath())) {
        if (error)
            *error = info.absolutePath();
        return OpenResult::failed;
    }
    // Made here so that it is the learner's alone from the first byte on.
    const QByteArray name = QFile::encodeName(m_filePath);
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);
    struct stat st;
    // A file its owner made read-only stays untouched, even for a user the system lets write.
    const bool readOnly = ::stat(name.constData(), &st) == 0 && (st.st_mode & S_IWUSR) == 0;

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(m_filePath);
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(ProgressSchema::kBusyTimeoutMs);
    if (readOnly)
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    db.setConnectOptions(options);
    if (!db.open()) {
        if (error)
            *error = describe(db.lastError());
        const bool broken = isBrokenError(db.lastError());
        Close();
        return broken ? OpenResult::broken : OpenResult::failed;
    }

    auto fail = [&](const QSqlError &sqlError) {
        if (error)
            *error = describe(sqlError);
        Close();
        return isBrokenError(sqlError) ? OpenResult::broken : OpenResult::failed;
    };
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA quick_check")))
        return fail(query.lastError());
    if (!query.next() || query.value(0).toString() != QLatin1String("ok")) {
        if (error)
            *error = query.value(0).toString();
        Close();
        return OpenResult::broken;
    }
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
        return fail(query.lastError());
    const int version = query.value(0).toInt();
    if (version > ProgressSchema::kVersion) {
        if (error)
            *error = QStringLiteral("schema %1 > %2").arg(version).arg(ProgressSchema::kVersion);
        Close();
        return OpenResult::failed;
    }
    if (!readOnly) {
        // The log mode is kept in the file; a second window may hold it and refuse for now.
        query.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        query.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
    }
    if (version < ProgressSchema::kVersion) {
        const bool created = inTransaction(m_connection, error, [&] {
            for (const std::string_view statement : ProgressSchema::CreateStatements()) {
                if (!query.exec(QString::fromUtf8(statement.data(), qsizetype(statement.size()))))
                    return error && (*error = describe(query.lastError()), false);
            }
            return query.exec(
                       QStringLiteral("PRAGMA user_version=%1").arg(ProgressSchema::kVersion)) ||
                   (error && (*error = describe(query.lastError()), false));
        });
        if (!created) {
            Close();
            return OpenResult::failed;
        }
    }
    m_open = true;
    return OpenResult::ok;
}

bool CSqliteProgressStore::moveBrokenAside(QString *movedTo, QString *error)
{
    Close();
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = QString::fromStdString(
        ProgressSchema::BrokenFileName(m_filePath.toStdString(), stamp.toStdString()));
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = QString::fromStdString(ProgressSchema::BrokenFileName(
            m_filePath.toStdString(), QStringLiteral("%1-%2").arg(stamp).arg(n).toStdString()));
    if (!QFile::rename(m_filePath, target)) {
        if (error)
            *error = target;
        return false;
    }
    // The log files belong to the damaged file and go with it.
    for (const QLatin1String suffix : {QLatin1String("-wal"), QLatin1String("-shm")}) {
        if (QFileInfo::exists(m_filePath + suffix))
            QFile::rename(m_filePath + suffix, target + suffix);
    }
    if (movedTo)
        *movedTo = target;
    return true;
}

qint64 CSqliteProgressStore::lessonId(const QString &path, bool create, QString *error)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery query(db);
    if (create) {
        query.prepare(
            QStringLiteral("INSERT OR IGNORE INTO lessons(path, saved_at) VALUES(:path, :saved)"));
        query.bindValue(QStringLiteral(":path"), path);
        query.bindValue(QStringLiteral(":saved"), QDateTime::currentMSecsSinceEpoch());
        if (!run(query, error))
            return -1;
    }
    query.prepare(QStringLiteral("SELECT id FROM lessons WHERE path = :path"));
    query.bindValue(QStringLiteral(":path"), path);
    if (!run(query, error))
        return -1;
    return query.next() ? query.value(0).toLongLong() : 0;
}

std::optional<CLessonRecord> CSqliteProgressStore::Load(const QString &path, QString *error)
{
    if (!m_open)
        return std::nullopt;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral(
        "SELECT lesson_hash, program, page, done_steps, caret_anchor, caret_position, first_line,"
        " saved_at FROM lessons WHERE path = :path"));
    query.bindValue(QStringLiteral(":path"), path);
    if (!run(query, error) || !query.next())
        return std::nullopt;
    CLessonRecord record;
    record.path = path;
    record.lessonHash = query.value(0).toString();
    record.program = query.value(1).toString();
    record.page = query.value(2).toInt();
    record.doneSteps = stepsOf(query.value(3));
    record.caretAnchor = query.value(4).toInt();
    record.caretPosition = query.value(5).toInt();
    record.firstLine = query.value(6).toInt();
    record.savedAt = timeOf(query.value(7));
    return record;
}

bool CSqliteProgressStore::Save(const CLessonRecord &record, QString *error)
{
    if (!m_open)
        return false;
    return inTransaction(m_connection, error, [&] {
        QSqlQuery query(QSqlDatabase::database(m_connection, false));
        query.prepare(QStringLiteral(
            "INSERT INTO lessons(path, lesson_hash, program, page, done_steps, caret_anchor,"
            " caret_position, first_line, saved_at)"
            " VALUES(:path, :hash, :program, :page, :done, :anchor, :position, :line, :saved)"
            " ON CONFLICT(path) DO UPDATE SET lesson_hash = excluded.lesson_hash,"
            " program = excluded.program, page = excluded.page, done_steps = excluded.done_steps,"
            " caret_anchor = excluded.caret_anchor, caret_position = excluded.caret_position,"
            " first_line = excluded.first_line, saved_at = excluded.saved_at"));
        query.bindValue(QStringLiteral(":path"), record.path);
        query.bindValue(QStringLiteral(":hash"), record.lessonHash);
        query.bindValue(QStringLiteral(":program"), record.program);
        query.bindValue(QStringLiteral(":page"), record.page);
        query.bindValue(QStringLiteral(":done"), stepsText(record.doneSteps));
        query.bindValue(QStringLiteral(":anchor"), record.caretAnchor);
        query.bindValue(QStringLiteral(":position"), record.caretPosition);
        query.bindValue(QStringLiteral(":line"), record.firstLine);
        query.bindValue(QStringLiteral(":saved"), QDateTime::currentMSecsSinceEpoch());
        return run(query, error);
    });
}

bool CSqliteProgressStore::AddSnapshot(const QString &path, const CSnapshot &snapshot,
                                       QString *error)
{
    if (!m_open)
        return false;
    return inTransaction(m_connection, error, [&] {
        const qint64 lesson = lessonId(path, true, error);
        if (lesson <= 0)
            return false;
        QSqlQuery query(QSqlDatabase::database(m_connection, false));
        query.prepare(QStringLiteral("SELECT program, page, done_steps FROM snapshots"
                                     " WHERE lesson_id = :lesson ORDER BY id DESC LIMIT 1"));
        query.bindValue(QStringLiteral(":lesson"), lesson);
        if (!run(query, error))
            return false;
        QString previous;
        if (query.next()) {
            previous = query.value(0).toString();
            if (previous == snapshot.program && query.value(1).toInt() == snapshot.page &&
                stepsOf(query.value(2)) == snapshot.doneSteps)
                return true;
        }
        const ProgressSchema::LineChanges changes = ProgressSchema::CountLineChanges(
            previous.toStdString(), snapshot.program.toStdString());
        query.prepare(QStringLiteral(
            "INSERT INTO snapshots(lesson_id, taken_at, reason, page, done_steps, program,"
            " lines_added, lines_removed)"
            " VALUES(:lesson, :taken, :reason, :page, :done, :program, :added, :removed)"));
        query.bindValue(QStringLiteral(":lesson"), lesson);
        const QDateTime taken =
            snapshot.takenAt.isValid() ? snapshot.takenAt : QDateTime::currentDateTimeUtc();
        query.bindValue(QStringLiteral(":taken"), taken.toMSecsSinceEpoch());
        query.bindValue(QStringLiteral(":reason"), snapshot.reason);
        query.bindValue(QStringLiteral(":page"), snapshot.page);
        query.bindValue(QStringLiteral(":done"), stepsText(snapshot.doneSteps));
        query.bindValue(QStringLiteral(":program"), snapshot.program);
        query.bindValue(QStringLiteral(":added"), changes.added);
        query.bindValue(QStringLiteral(":removed"), changes.removed);
        if (!run(query, error))
            return false;
        query.prepare(QStringLiteral(
            "DELETE FROM snapshots WHERE lesson_id = :lesson AND id NOT IN"
            " (SELECT id FROM snapshots WHERE lesson_id = :lesson ORDER BY id DESC LIMIT :keep)"));
        query.bindValue(QStringLiteral(":lesson"), lesson);
        query.bindValue(QStringLiteral(":keep"), m_snapshotsKept);
        return run(query, error);
    });
}

namespace {
CSnapshot snapshotOf(const QSqlQuery &query)
{
    CSnapshot snapshot;
    snapshot.id = query.value(0).toLongLong();
    snapshot.takenAt = timeOf(query.value(1));
    snapshot.reason = query.value(2).toString();
    snapshot.page = query.value(3).toInt();
    snapshot.doneSteps = stepsOf(query.value(4));
    snapshot.program = query.value(5).toString();
    snapshot.linesAdded = query.value(6).toInt();
    snapshot.linesRemoved = query.value(7).toInt();
    return snapshot;
}

const char kSnapshotColumns[] =
    "SELECT s.id, s.taken_at, s.reason, s.page, s.done_steps, s.program, s.lines_added,"
    " s.lines_removed FROM snapshots s ";
} // namespace

QList<CSnapshot> CSqliteProgressStore::Snapshots(const QString &path, QString *error)
{
    QList<CSnapshot> list;
    if (!m_open)
        return list;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QLatin1String(kSnapshotColumns) +
                  QStringLiteral("JOIN lessons l ON l.id = s.lesson_id WHERE l.path = :path"
                                 " ORDER BY s.id DESC"));
    query.bindValue(QStringLiteral(":path"), path);
    if (!run(query, error))
        return list;
    while (query.next())
        list.append(snapshotOf(query));
    return list;
}

std::optional<CSnapshot> CSqliteProgressStore::Snapshot(qint64 id, QString *error)
{
    if (!m_open)
        return std::nullopt;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QLatin1String(kSnapshotColumns) + QStringLiteral("WHERE s.id = :id"));
    query.bindValue(QStringLiteral(":id"), id);
    if (!run(query, error) || !query.next())
        return std::nullopt;
    return snapshotOf(query);
}
