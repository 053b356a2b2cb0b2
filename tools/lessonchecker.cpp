#include "lessonchecker.h"

#include "lessonfolder.h"

#include "bolto.h"
#include "lessonreplay.h"
#include "lessonsource.h"
#include "lessonstep.h"
#include "qtcodepage.h"

#include <QDir>
#include <QFile>
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

// Lesson text as "\n"-separated text, for diffs.
QString lfText(std::string_view bytes)
{
    return FromCp932(bytes).replace("\r\n", "\n");
}

QString htmlUnescape(QString text)
{
    return text.replace("&lt;", "<")
        .replace("&gt;", ">")
        .replace("&quot;", "\"")
        .replace("&#x27;", "'")
        .replace("&#39;", "'")
        .replace("&amp;", "&");
}
} // namespace

QString CLessonChecker::PageLabel(int page) const
{
    const int pages = m_lesson.GetPageCount();
    // A last page that copies nothing is the closing page, not a step.
    const bool closing = pages > 1 && m_lesson.GetPageText(pages - 1).empty();
    const int steps = closing ? pages - 1 : pages;
    if (page >= steps)
        return QString("完成 (index%1.html)").arg(page);
    return QString("ステップ %1 / %2 (index%3.html)").arg(page + 1).arg(steps).arg(page);
}

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
            fault(QString("%1: kind %2 is not 0 (add), 1 (replace) or 2 (delete)")
                      .arg(PageLabel(int(i)))
                      .arg(kind));
    }
    for (size_t i = 0; i < m_lesson.m_arrowLines.size(); ++i) {
        if (m_lesson.m_arrowLines[i] < 1)
            fault(QString("%1: arrow line %2 is below 1")
                      .arg(PageLabel(int(i)))
                      .arg(m_lesson.m_arrowLines[i]));
    }
    for (size_t i = 0; i < m_lesson.m_arrowCounts.size(); ++i) {
        if (m_lesson.m_arrowCounts[i] < 0)
            fault(QString("%1: arrow count %2 is negative")
                      .arg(PageLabel(int(i)))
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
            fault(QString("%1: no tutorial page %2")
                      .arg(PageLabel(i))
                      .arg(QDir::cleanPath(htmlDir + QString("/index%1.html").arg(i))));
    }
    for (qint64 number : present) {
        if (number >= pages)
            fault(QString("extra tutorial page %1: the lesson has no page for it")
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
            fault(QString("%1: the snippet differs from the source's from line %2:\n%3")
                      .arg(PageLabel(i))
                      .arg(line)
                      .arg(UnifiedDiff(lfText(page.snippet), lfText(m_lesson.GetPageText(i)),
                                       "the source", "the lesson")
                               .trimmed()));
        }
        auto compare = [&](const std::vector<int32_t> &list, int32_t expected, const char *what) {
            if (CBolto::isValidIndex(list, i) && list[size_t(i)] != expected)
                fault(QString("%1: %2 %3 in the lesson, %4 in the source")
                          .arg(PageLabel(i))
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
    const bool programs =
        std::any_of(source.m_pages.begin(), source.m_pages.end(),
                    [](const CLessonSource::Page &page) { return page.program.has_value(); });
    if (!programs)
        m_partial = "the source has no programs, so the steps were replayed but not compared "
                    "with what they should give";
    for (int i = 0; i < steps; ++i) {
        const std::string before = replay.GetProgram();
        const int32_t kind = m_lesson.GetPageKind(i);
        const int32_t line = m_lesson.GetArrowLine(i);
        const int32_t count = m_lesson.GetArrowCount(i);
        const CLessonReplay::Result result = replay.ApplyPage(m_lesson, i);
        if (result != CLessonReplay::applied) {
            fault(QString("%1: %2 (%3, line %4, count %5, the program has %6 lines)")
                      .arg(PageLabel(i), CLessonReplay::Describe(result), kindName(kind))
                      .arg(line)
                      .arg(count)
                      .arg(CLessonReplay::LineCount(before)));
            return;
        }
        const std::string &snippet = m_lesson.GetPageText(i);
        if (kind == Delete && !snippet.empty()) {
            const size_t start = CLessonReplay::LineStart(before, line);
            const std::string deleted =
                before.substr(start, CLessonReplay::LineStart(before, line + count) - start);
            if (deleted != snippet)
                fault(QString("%1: the page shows lines the step does not delete:\n%2")
                          .arg(PageLabel(i), UnifiedDiff(lfText(deleted), lfText(snippet),
                                                         "deleted lines", "the page's snippet")
                                                 .trimmed()));
        }
        const bool closing = i == m_lesson.GetPageCount() - 1 && snippet.empty();
        if (replay.GetProgram() == before && !closing)
            fault(QString("%1: the step does not change the program").arg(PageLabel(i)));
        const std::optional<std::string> &expected = source.m_pages[size_t(i)].program;
        if (!expected)
            continue;
        if (replay.GetProgram() != *expected) {
            fault(QString("%1: the program after the step differs from the source's:\n%2")
                      .arg(PageLabel(i), UnifiedDiff(lfText(*expected), lfText(replay.GetProgram()),
                                                     "the source's program", "after the step")
                                             .trimmed()));
            return;
        }
    }
}

void CLessonChecker::CheckSnippets()
{
    for (int i = 0; i < int(m_lesson.m_pageTexts.size()); ++i) {
        const std::string_view snippet = m_lesson.m_pageTexts[size_t(i)];
        const int32_t kind = CBolto::isValidIndex(m_lesson.m_pageKinds, i)
                                 ? m_lesson.m_pageKinds[size_t(i)]
                                 : int32_t(Add);
        bool valid = false;
        const QString text = FromCp932(snippet, &valid);
        if (!valid) {
            fault(QString("%1: the snippet has bytes that are not code page 932 text")
                      .arg(PageLabel(i)));
            continue;
        }
        const qsizetype tab = text.indexOf('\t');
        if (tab >= 0 && kind != Delete)
            fault(QString("%1: the snippet has a tab at its line %2; write spaces so the "
                          "learner's indentation matches")
                      .arg(PageLabel(i))
                      .arg(text.left(tab).count('\n') + 1));
        if (!snippet.empty() && !text.endsWith("\r\n"))
            fault(QString("%1: the snippet does not end with a line break, so its last line "
                          "runs into the line after it when pasted")
                      .arg(PageLabel(i)));
        const int lines =
            int(text.count("\r\n")) + (text.endsWith("\r\n") || text.isEmpty() ? 0 : 1);
        if (kind == Add && CBolto::isValidIndex(m_lesson.m_arrowCounts, i) &&
            m_lesson.m_arrowCounts[size_t(i)] != lines)
            fault(QString("%1: the arrow count is %2, but the snippet adds %3 lines")
                      .arg(PageLabel(i))
                      .arg(m_lesson.m_arrowCounts[size_t(i)])
                      .arg(lines));
        if (kind == Replace && snippet.empty())
            fault(QString("%1: a replace page without a snippet leaves the learner nothing to "
                          "paste")
                      .arg(PageLabel(i)));
    }
}

QString CLessonChecker::htmlDir(const QString &programDir) const
{
    return QDir::cleanPath(
        QDir(programDir).filePath(LessonFolderPath(m_lesson.m_folderName) + "/html"));
}

void CLessonChecker::CheckPageContents(const QString &programDir)
{
    if (m_lesson.m_folderName.empty() ||
        !IsBelowProgramDirectory(LessonFolderPath(m_lesson.m_folderName)))
        return;
    const QString dir = htmlDir(programDir);
    static const QRegularExpression snippetBox("<pre class=\"snippet[^\"]*\">\\n?(.*?)</pre>",
                                               QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression link("href=\"([^\"#?]+)[^\"]*\"");
    const int pages = m_lesson.GetPageCount();
    for (int i = 0; i < pages; ++i) {
        const QString name = QString("index%1.html").arg(i);
        QFile file(QDir(dir).filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue; // CheckTutorialPages names it
        const QString html = QString::fromUtf8(file.readAll());
        const QRegularExpressionMatch box = snippetBox.match(html);
        const QString snippet = lfText(m_lesson.GetPageText(i));
        if (box.hasMatch() && htmlUnescape(box.captured(1)) != snippet)
            fault(QString("%1: the page shows other code than its snippet, which a click "
                          "copies; build the pages again:\n%2")
                      .arg(PageLabel(i),
                           UnifiedDiff(snippet, htmlUnescape(box.captured(1)), "the snippet", name)
                               .trimmed()));
        bool linksOn = false;
        for (QRegularExpressionMatchIterator it = link.globalMatch(html); it.hasNext();) {
            const QString target = it.next().captured(1);
            if (target.contains(':') || target.startsWith('/') || !target.endsWith(".html"))
                continue; // other sites and files are the page's own business
            if (target == QString("index%1.html").arg(i + 1))
                linksOn = true;
            if (!QFileInfo(QDir(dir).filePath(target)).isFile())
                fault(QString("%1: links to %2, which does not exist").arg(PageLabel(i), target));
        }
        if (i + 1 < pages && !linksOn)
            fault(QString("%1: no link to the next page index%2.html, so the learner is stuck")
                      .arg(PageLabel(i))
                      .arg(i + 1));
    }
}
