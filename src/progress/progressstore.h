#pragma once

// Where saved progress lives. CLessonProgress talks to this small interface only, so that tests
// (and a later store) can put the database anywhere. Every call is one transaction: it happens
// completely or not at all, and a failure leaves the stored data as it was.

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>

#include <memory>
#include <optional>

// What is kept of one lesson: the learner's program and their place in it.
struct CLessonRecord
{
    QString path;       // the lesson file's resolved absolute path: the lesson's key
    QString lessonHash; // of the lesson file's bytes when this was saved
    QString program;    // the editor's text, every character and line break
    int page = -1;      // the tutorial page shown, -1 for none
    QSet<int> doneSteps;
    int caretAnchor = 0;
    int caretPosition = 0;
    int firstLine = 0; // the first visible line of the editor
    QDateTime savedAt;
};

// One entry of a lesson's history.
struct CSnapshot
{
    qint64 id = 0;
    QDateTime takenAt;
    QString reason; // see CLessonProgress::Reason*
    int page = -1;
    QSet<int> doneSteps;
    QString program;
    int linesAdded = 0; // against the snapshot before it
    int linesRemoved = 0;
};

class CProgressStore
{
public:
    virtual ~CProgressStore() = default;

    // Opens (or creates) the store; false with a message for the learner in `error`. A damaged
    // file is moved aside and a new one started; `notice` then says where the old one went.
    virtual bool Open(QString *error, QString *notice) = 0;
    virtual bool IsOpen() const = 0;
    virtual void Close() = 0;

    virtual std::optional<CLessonRecord> Load(const QString &path, QString *error) = 0;
    virtual bool Save(const CLessonRecord &record, QString *error) = 0;
    // Adds a snapshot unless it equals the lesson's newest one; prunes the oldest beyond the
    // limit. A lesson without a record gets one first.
    virtual bool AddSnapshot(const QString &path, const CSnapshot &snapshot, QString *error) = 0;
    // Newest first.
    virtual QList<CSnapshot> Snapshots(const QString &path, QString *error) = 0;
    virtual std::optional<CSnapshot> Snapshot(qint64 id, QString *error) = 0;
};

// The SQLite database at `filePath` (write-ahead log, mode 0600, a busy timeout for a second
// window on the same file). The folder is made when missing.
class CSqliteProgressStore final : public CProgressStore
{
public:
    explicit CSqliteProgressStore(QString filePath, int snapshotsKept = -1);
    ~CSqliteProgressStore() override;
    Q_DISABLE_COPY_MOVE(CSqliteProgressStore)

    bool Open(QString *error, QString *notice) override;
    bool IsOpen() const override;
    void Close() override;
    std::optional<CLessonRecord> Load(const QString &path, QString *error) override;
    bool Save(const CLessonRecord &record, QString *error) override;
    bool AddSnapshot(const QString &path, const CSnapshot &snapshot, QString *error) override;
    QList<CSnapshot> Snapshots(const QString &path, QString *error) override;
    std::optional<CSnapshot> Snapshot(qint64 id, QString *error) override;

    QString FilePath() const { return m_filePath; }
    // The database of the user's data folder.
    static QString DefaultFilePath();

private:
    enum class OpenResult { ok, broken, failed };
    OpenResult openFile(QString *error);
    bool moveBrokenAside(QString *movedTo, QString *error);
    qint64 lessonId(const QString &path, bool create, QString *error);

    QString m_filePath;
    QString m_connection;
    int m_snapshotsKept;
    bool m_open = false;
};

std::unique_ptr<CProgressStore> CreateDefaultProgressStore();
