// The tutorial pane's guidance: the start page's lesson list, lesson links and the copy hints.

#include "bolto.h"
#include "html5doc.h"
#include "html5view.h"
#include "lessonfolder.h"
#include "lessonroots.h"
#include "paths.h"
#include "qtcodepage.h"
#include "startpage.h"
#include "texts.h"

#include <QDir>
#include <QUrl>
#include <QWebEngineScript>

void CHTML5View::setupStartPage()
{
    connect(this, &QWebEngineView::loadFinished, this, [this](bool ok) {
        const QUrl start = QUrl::fromLocalFile(FromPath(ProgramDirectory() + "index.html"));
        if (ok && theLesson.m_folderName.empty() &&
            url().adjusted(QUrl::NormalizePathSegments) ==
                start.adjusted(QUrl::NormalizePathSegments))
            fillStartPage();
    });
}

void CHTML5View::fillStartPage()
{
    // Lessons beside the program first, then those installed into the user's own folder.
    QList<LessonSummary> lessons = ListLessons(FromPath(ProgramDirectory()));
    const QString userRoot = UserLessonRoot();
    if (QDir(userRoot).canonicalPath() != QDir(FromPath(ProgramDirectory())).canonicalPath())
        lessons += ListLessons(userRoot);
    QStringList progress;
    for (const LessonSummary &lesson : lessons)
        progress.append(m_lessonProgress ? m_lessonProgress(lesson.path) : QString());
    page()->runJavaScript(StartPageScript(lessons, progress), QWebEngineScript::ApplicationWorld);
}

bool CHTML5View::OnFollowLink(const QUrl &url, bool byLearner)
{
    if (!url.isLocalFile() || !CHTML5Doc::HasLessonExtension(url.toLocalFile()))
        return false;
    // A page's own script opens nothing, and a link opens only a lesson that lies where lessons
    // are kept: a shared page must not send the learner into files elsewhere on the disk.
    const QString path = url.toLocalFile();
    const QString resolved = ResolvedPath(path);
    const bool inRoot = IsStrictlyInside(resolved, ResolvedPath(FromPath(ProgramDirectory()))) ||
                        IsStrictlyInside(resolved, ResolvedPath(UserLessonRoot()));
    if (!byLearner || !inRoot)
        return true;
    // Opening may ask questions and replaces the page: not from inside the engine's callback.
    QMetaObject::invokeMethod(
        this, [this, path] { emit OpenLessonRequested(path); }, Qt::QueuedConnection);
    return true;
}

QString CHTML5View::copiedText(bool stepOpen) const
{
    if (m_copiesOnPage == 0 || !stepOpen)
        return qs(Str::SnippetCopied);
    const int page = theLesson.m_currentPage;
    const bool deletePage =
        CBolto::isValidIndex(theLesson.m_pageKinds, page) && theLesson.GetPageKind(page) == Delete;
    return qs(Str::SnippetCopied) + qs(deletePage ? Str::DeleteFirstHint : Str::PasteFirstHint);
}
