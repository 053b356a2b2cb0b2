#include "lessonsource.h"

#include "bolto.h"
#include "lessonjson.h"

#include <QJsonArray>

namespace {
const QStringList kPageKeys = {"snippet", "kind", "line", "count", "program"};

// Line ends as the editor keeps them, whatever the author's JSON used.
bool readText(const QJsonValue &value, std::string &bytes, QString *error)
{
    if (!value.isString())
        return JsonToBytes(value, bytes, error);
    QString text = value.toString();
    text.replace("\r\n", "\n").replace('\n', "\r\n");
    return EncodeCp932Exactly(text, bytes, error);
}

bool readKind(const QJsonValue &value, int32_t &kind, QString *error)
{
    if (value.isString()) {
        static const QStringList names = {"add", "replace", "delete"};
        const qsizetype index = names.indexOf(value.toString());
        if (index < 0) {
            *error = "must be \"add\", \"replace\", \"delete\" or an integer";
            return false;
        }
        kind = int32_t(index);
        return true;
    }
    return JsonToInt32(value, kind, error);
}

bool readPage(const QJsonObject &object, CLessonSource::Page &page, QString *error)
{
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!kPageKeys.contains(it.key())) {
            *error =
                QString("unknown key \"%1\"; a page has %2").arg(it.key(), kPageKeys.join(", "));
            return false;
        }
    }
    for (const char *key : {"snippet", "kind", "line", "count"}) {
        if (!object.contains(key)) {
            *error = QString("\"%1\" is missing").arg(key);
            return false;
        }
    }
    QString why;
    auto fail = [&](const char *key) {
        *error = QString("%1: %2").arg(key, why);
        return false;
    };
    if (!readText(object.value("snippet"), page.snippet, &why))
        return fail("snippet");
    if (!readKind(object.value("kind"), page.kind, &why))
        return fail("kind");
    if (!JsonToInt32(object.value("line"), page.line, &why))
        return fail("line");
    if (!JsonToInt32(object.value("count"), page.count, &why))
        return fail("count");
    if (object.contains("program")) {
        std::string program;
        if (!readText(object.value("program"), program, &why))
            return fail("program");
        page.program = std::move(program);
    }
    return true;
}
} // namespace

bool CLessonSource::Read(const QJsonObject &object, QString *error)
{
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (it.key() != "folder" && it.key() != "pages") {
            *error = QString("unknown key \"%1\"; a source has folder, pages").arg(it.key());
            return false;
        }
    }
    QString why;
    if (!object.contains("folder")) {
        *error = "\"folder\" is missing";
        return false;
    }
    if (!JsonToBytes(object.value("folder"), m_folder, &why)) {
        *error = "folder: " + why;
        return false;
    }
    if (!object.value("pages").isArray()) {
        *error = "\"pages\" must be an array";
        return false;
    }
    const QJsonArray pages = object.value("pages").toArray();
    for (qsizetype i = 0; i < pages.size(); ++i) {
        Page page;
        if (!pages.at(i).isObject()) {
            *error = QString("pages[%1]: must be an object").arg(i);
            return false;
        }
        if (!readPage(pages.at(i).toObject(), page, &why)) {
            *error = QString("pages[%1]: %2").arg(i).arg(why);
            return false;
        }
        m_pages.push_back(std::move(page));
    }
    return true;
}

void CLessonSource::FillLesson(CBolto &lesson) const
{
    for (const Page &page : m_pages) {
        lesson.m_pageTexts.push_back(page.snippet);
        lesson.m_pageKinds.push_back(page.kind);
        lesson.m_arrowLines.push_back(page.line);
        lesson.m_arrowCounts.push_back(page.count);
    }
    lesson.m_folderName = m_folder;
}

CLessonSource CLessonSource::WithoutPrograms(const CBolto &lesson)
{
    CLessonSource source;
    source.m_folder = lesson.m_folderName;
    for (int i = 0; i < lesson.GetPageCount(); ++i)
        source.m_pages.push_back(Page{lesson.GetPageText(i),
                                      lesson.GetPageKind(i),
                                      lesson.GetArrowLine(i),
                                      lesson.GetArrowCount(i),
                                      {}});
    return source;
}
