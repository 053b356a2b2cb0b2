#include "lessonchecker.h"

#include "lessonfolder.h"

#include "bolto.h"
#include "lessonreplay.h"
#include "lessonsource.h"
#include "qtcodepage.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <set>

namespace {
QString kindName(int32_t kind)
{
    switch (kind) {
    case Add:
        return "add";
    case Replace:
        return "replace";
    case Delete:
        return "delete";
    default:
        return QString::number(kind);
    }
}

QString quoteLine(std::string_view bytes)
{
    return '"' + FromCp932(bytes).replace('\t', "\\t") + '"';
}

QString stepName(int page)
{
    return QString("step %1 (index%1.html)").arg(page);
}
} // namespace

int CLessonChecker::pageSlots() const
{
    return int(std::max({m_lesson.m_pageTexts.size(), m_lesson.m_pageKinds.size(),
                         m_lesson.m_arrowLines.size(), m_lesson.m_arrowCounts.size()}));
}

void CLessonChecker::CheckLists()
{
    const size_t texts = m_lesson.m_pageTexts.size();
    if (m_lesson.m_pageKinds.size() != texts || m_lesson.m_arrowLines.size() != texts ||
        m_lesson.m_arrowCounts.size() != texts) {
        fault(QString("lists of unequal length: %1 texts, %2 kinds, %3 arrow lines, "
                      "%4 arrow counts")
                  .arg(texts)
                  .arg(m_lesson.m_pageKinds.size())
                  .arg(m_lesson.m_arrowLines.size())
                  .arg(m_lesson.m_arrowCounts.size()));
    }
    for (size_t i = 0; i < m_lesson.m_pageKinds.size(); ++i) {
        const int32_t kind = m_lesson.m_pageKinds[i];
        if (kind < Add || kind > Delete)
            fault(QString("page %1: kind %2 is not 0 (add), 1 (replace) or 2 (delete)")
                      .arg(i)
                      .arg(kind));
    }
    for (size_t i = 0; i < m_lesson.m_arrowLines.size(); ++i) {
        if (m_lesson.m_arrowLines[i] < 1)
            fault(
                QString("page %1: arrow line %2 is below 1").arg(i).arg(m_lesson.m_arrowLines[i]));
    }
    for (size_t i = 0; i < m_lesson.m_arrowCounts.size(); ++i) {
        if (m_lesson.m_arrowCounts[i] < 0)
            fault(QString("page %1: arrow count %2 is negative")
                      .arg(i)
                      .arg(m_lesson.m_arrowCounts[i]));
    }
}

void CLessonChecker::CheckTutorialPages(const QString &programDir)
{
    if (m_lesson.m_folderName.empty()) {
        if (pageSlots() > 0)
            fault("the lesson names no folder, so none of its tutorial pages can be shown");
        return;
    }
    const QString folder = LessonFolderPath(m_lesson.m_folderName);
    // Run writes the learner's program into the folder and refuses one outside the program's.
    if (!IsBelowProgramDirectory(folder))
        fault(QString("folder %1 is not below the program directory, so Run refuses it")
                  .arg(quoteLine(m_lesson.m_folderName)));
    else if (!ResolveLessonFolder(folder, {programDir}))
        fault(QString("folder %1 leads out of the program directory through a link, so the "
                      "tutorial pane and Run refuse it")
                  .arg(quoteLine(m_lesson.m_folderName)));
    const QString htmlDir = QDir(programDir).filePath(folder + "/html");
    if (!QFileInfo(htmlDir).isDir()) {
        fault(QString("no tutorial folder %1").arg(QDir::cleanPath(htmlDir)));
        return;
    }
    std::set<qint64> present;
    static const QRegularExpression pageName("^index(\\d{1,9})\\.html$");
    for (const QString &name : QDir(htmlDir).entryList(QDir::Files)) {
        const QRegularExpressionMatch match = pageName.match(name);
        if (match.hasMatch())
            present.insert(match.captured(1).toLongLong());
    }
    const int pages = pageSlots();
    for (int i = 0; i < pages; ++i) {
        if (!present.count(i))
            fault(QString("page %1: no tutorial page %2")
                      .arg(i)
                      .arg(QDir::cleanPath(htmlDir + QString("/index%1.html").arg(i))));
    }
    for (qint64 number : present) {
        if (number >= pages)
            fault(QString("tutorial page %1 has no entry in the lesson's lists")
                      .arg(QDir::cleanPath(htmlDir + QString("/index%1.html").arg(number))));
    }
}

void CLessonChecker::CompareWithSource(const CLessonSource &source)
{
    const int pages = int(source.m_pages.size());
    if (pageSlots() != pages || m_lesson.GetPageCount() != pages)
        fault(QString("the lesson has %1 pages, the source %2").arg(pageSlots()).arg(pages));
    if (m_lesson.m_folderName != source.m_folder)
        fault(QString("folder %1 in the lesson, %2 in the source")
                  .arg(quoteLine(m_lesson.m_folderName), quoteLine(source.m_folder)));
    for (int i = 0; i < pages; ++i) {
        const CLessonSource::Page &page = source.m_pages[size_t(i)];
        if (i < m_lesson.GetPageCount() && m_lesson.GetPageText(i) != page.snippet) {
            const int line =
                CLessonReplay::FirstDifferentLine(m_lesson.GetPageText(i), page.snippet);
            fault(QString("page %1: the text differs from the source's snippet at line %2: %3 in "
                          "the lesson, %4 in the source")
                      .arg(i)
                      .arg(line)
                      .arg(quoteLine(CLessonReplay::Line(m_lesson.GetPageText(i), line)),
                           quoteLine(CLessonReplay::Line(page.snippet, line))));
        }
        auto compare = [&](const std::vector<int32_t> &list, int32_t expected, const char *what) {
            if (CBolto::isValidIndex(list, i) && list[size_t(i)] != expected)
                fault(QString("page %1: %2 %3 in the lesson, %4 in the source")
                          .arg(i)
                          .arg(what)
                          .arg(list[size_t(i)])
                          .arg(expected));
        };
        compare(m_lesson.m_pageKinds, page.kind, "kind");
        compare(m_lesson.m_arrowLines, page.line, "arrow line");
        compare(m_lesson.m_arrowCounts, page.count, "arrow count");
    }
}

void CLessonChecker::ReplaySteps(const CLessonSource &source)
{
    CLessonReplay replay;
    const int steps = std::min(int(source.m_pages.size()), m_lesson.GetPageCount());
    for (int i = 0; i < steps; ++i) {
        const CLessonReplay::Result result = replay.ApplyPage(m_lesson, i);
        if (result != CLessonReplay::applied) {
            fault(QString("%1: %2 (%3, line %4, count %5, the program has %6 lines)")
                      .arg(stepName(i), CLessonReplay::Describe(result),
                           kindName(m_lesson.GetPageKind(i)))
                      .arg(m_lesson.GetArrowLine(i))
                      .arg(m_lesson.GetArrowCount(i))
                      .arg(CLessonReplay::LineCount(replay.GetProgram())));
            return;
        }
        const std::optional<std::string> &expected = source.m_pages[size_t(i)].program;
        if (!expected)
            continue;
        const int line = CLessonReplay::FirstDifferentLine(replay.GetProgram(), *expected);
        if (line > 0) {
            fault(QString("%1: the program differs from the source's at line %2: %3 after the "
                          "step, %4 in the source")
                      .arg(stepName(i))
                      .arg(line)
                      .arg(quoteLine(CLessonReplay::Line(replay.GetProgram(), line)),
                           quoteLine(CLessonReplay::Line(*expected, line))));
            return;
        }
    }
}
