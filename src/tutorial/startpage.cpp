#include "startpage.h"

#include "archive.h"
#include "bolto.h"
#include "html5doc.h"
#include "lessonfolder.h"
#include "texts.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTextDocumentFragment>

#include <cstdio>

namespace {
// Larger files are no lessons worth reading only to count their pages.
constexpr qint64 kMaxLessonBytes = 16 * 1024 * 1024;
constexpr qint64 kMaxTitleBytes = 64 * 1024;

// The first page's <title>, as plain text; empty when there is none.
QString pageTitle(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString head = QString::fromUtf8(file.read(kMaxTitleBytes));
    static const QRegularExpression title(QStringLiteral("<title[^>]*>(.*?)</title>"),
                                          QRegularExpression::CaseInsensitiveOption |
                                              QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = title.match(head);
    if (!match.hasMatch())
        return {};
    return QTextDocumentFragment::fromHtml(match.captured(1)).toPlainText().simplified();
}

LessonSummary summarise(const QString &directory, const QString &path)
{
    LessonSummary lesson;
    lesson.path = path;
    lesson.title = QFileInfo(path).completeBaseName();
    lesson.steps = -1;
    QFile file(path);
    if (file.size() > kMaxLessonBytes || !file.open(QIODevice::ReadOnly))
        return lesson;
    const QByteArray bytes = file.readAll();
    CBolto read;
    try {
        CArchive ar(std::string_view(bytes.constData(), size_t(bytes.size())));
        read.Serialize(ar);
    } catch (const std::exception &) {
        return lesson;
    }
    // A closing page that neither brings nor marks a line is no step.
    lesson.steps = 0;
    for (int page = 0; page < read.GetPageCount(); ++page)
        lesson.steps += read.GetPageText(page).empty() && read.GetArrowCount(page) <= 0 ? 0 : 1;
    const QString folder = LessonFolderPath(read.m_folderName);
    if (IsBelowProgramDirectory(folder)) {
        const QString title = pageTitle(QDir(directory).filePath(folder + "/html/index0.html"));
        if (!title.isEmpty())
            lesson.title = title;
    }
    return lesson;
}
} // namespace

QList<LessonSummary> ListLessons(const QString &directory)
{
    QList<LessonSummary> lessons;
    const QDir dir(directory);
    const QFileInfoList files = dir.entryInfoList(QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo &info : files) {
        if (CHTML5Doc::HasLessonExtension(info.fileName()))
            lessons.append(summarise(directory, info.absoluteFilePath()));
    }
    return lessons;
}

QString StartPageScript(const QList<LessonSummary> &lessons, const QStringList &progress)
{
    QJsonArray items;
    for (qsizetype i = 0; i < lessons.size(); ++i) {
        const LessonSummary &lesson = lessons.at(i);
        QJsonObject item;
        item.insert("href", QUrl::fromLocalFile(lesson.path).toString(QUrl::FullyEncoded));
        item.insert("title", lesson.title);
        item.insert("file", QFileInfo(lesson.path).fileName());
        item.insert("steps",
                    lesson.steps >= 0 ? qs(Str::StartLessonSteps).arg(lesson.steps) : QString());
        item.insert("progress", progress.value(i));
        items.append(item);
    }
    const QString data = QString::fromUtf8(QJsonDocument(items).toJson(QJsonDocument::Compact));
    const QString empty =
        QString::fromUtf8(QJsonDocument(QJsonArray{qs(Str::StartNoLessons)}).toJson());
    // Text goes in as text: titles come from lesson pages and are never parsed as markup.
    return QStringLiteral(R"JS((function () {
var list = document.getElementById('lessons');
if (!list) { list = document.createElement('div'); list.id = 'lessons'; document.body.appendChild(list); }
while (list.firstChild) list.removeChild(list.firstChild);
var lessons = %1;
if (lessons.length === 0) { var p = document.createElement('p'); p.textContent = %2[0]; list.appendChild(p); }
lessons.forEach(function (l) {
  var a = document.createElement('a'); a.className = 'card lesson'; a.href = l.href;
  var h = document.createElement('h3'); h.textContent = l.title + ' — '; var c = document.createElement('code'); c.textContent = l.file; h.appendChild(c); a.appendChild(h);
  var p = document.createElement('p'); p.textContent = [l.steps, l.progress].filter(function (t) { return t; }).join(' ・ '); a.appendChild(p);
  list.appendChild(a);
});
return lessons.length;
})())JS")
        .arg(data, empty);
}
