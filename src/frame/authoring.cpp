#include "authoring.h"

#include "bolto.h"
#include "html5doc.h"
#include "html5view.h"
#include "lessonfile.h"
#include "lessonfolder.h"
#include "lessonreplay.h"
#include "lessonroots.h"
#include "paths.h"
#include "programmingview.h"
#include "qtcodepage.h"

#include <QFile>
#include <QFileInfo>

CAuthoring::CAuthoring(CHTML5View *tutorial, CProgrammingView *editor, QObject *parent)
    : QObject(parent), m_tutorial(tutorial), m_editor(editor)
{
    // A build writes the file in several steps; read it once the writing has settled.
    m_settle.setSingleShot(true);
    m_settle.setInterval(300);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, &m_settle, qOverload<>(&QTimer::start));
    connect(&m_settle, &QTimer::timeout, this, &CAuthoring::reload);
}

void CAuthoring::SetDocument(CHTML5Doc *document)
{
    if (m_document)
        disconnect(m_document, nullptr, this, nullptr);
    m_document = document;
    if (m_document) {
        // The title changes before the path does; look at the path once the open is done.
        connect(m_document, &CHTML5Doc::titleChanged, this,
                [this] { QTimer::singleShot(0, this, &CAuthoring::watchDocument); });
    }
    watchDocument();
}

void CAuthoring::watchDocument()
{
    const QString path = m_document ? m_document->GetPathName() : QString();
    if (!m_watcher.files().isEmpty())
        m_watcher.removePaths(m_watcher.files());
    m_path = path;
    if (!m_path.isEmpty() && QFileInfo(m_path).isFile())
        m_watcher.addPath(m_path);
}

QString CAuthoring::PagePath(int page)
{
    return LessonRootFor(FromPath(ProgramDirectory()), theLesson.m_folderName) +
           LessonFolderPath(theLesson.m_folderName) + QString("/html/index%1.html").arg(page);
}

bool CAuthoring::ShowStep(int step, QString *error)
{
    const int pages = theLesson.GetPageCount();
    if (step < 1 || step > pages) {
        *error = QString("the lesson has no step %1; it has pages 1 to %2").arg(step).arg(pages);
        return false;
    }
    CLessonReplay replay;
    for (int page = 0; page < step - 1; ++page) {
        const CLessonReplay::Result result = replay.ApplyPage(theLesson, page);
        if (result != CLessonReplay::applied) {
            *error = QString("step %1 cannot be carried out: %2")
                         .arg(page + 1)
                         .arg(CLessonReplay::Describe(result));
            return false;
        }
    }
    m_editor->SetWindowText(FromCp932(replay.GetProgram()));
    m_tutorial->Navigate2(PagePath(step - 1));
    return true;
}

void CAuthoring::reload()
{
    // A file replaced by a rename leaves the watcher; follow the path, not the old file.
    if (!m_path.isEmpty() && !m_watcher.files().contains(m_path) && QFileInfo::exists(m_path))
        m_watcher.addPath(m_path);
    if (!m_document || m_path.isEmpty() || !QFileInfo(m_path).isFile())
        return;
    // Read it aside first: a half-written or broken file leaves the lesson as it was.
    CBolto fresh;
    if (LoadLessonFile(QFile::encodeName(m_path).toStdString(), fresh).m_cause !=
        LessonFileStatus::ok) {
        emit lessonReloaded(false);
        return;
    }
    const int page = theLesson.m_currentPage;
    const QString text = m_editor->GetWindowText();
    if (!m_document->OnOpenDocument(m_path)) {
        emit lessonReloaded(false);
        return;
    }
    m_editor->SetWindowText(text);
    if (page > 0 && page < theLesson.GetPageCount())
        m_tutorial->Navigate2(PagePath(page));
    emit lessonReloaded(true);
}
