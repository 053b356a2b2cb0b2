#include "lessonjson.h"

#include "bolto.h"
#include "qtcodepage.h"
#include "sourcefolder.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cmath>

namespace {
// One value as compact JSON text; QJsonDocument only writes arrays and objects.
QByteArray compact(const QJsonValue &value)
{
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

QByteArray intsToJson(const std::vector<int32_t> &values)
{
    QJsonArray array;
    for (int32_t value : values)
        array.append(qint64(value));
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

bool readInts(const QJsonObject &object, const char *key, std::vector<int32_t> &values,
              QString *error)
{
    const QJsonValue list = object.value(key);
    if (!list.isArray()) {
        *error = QString("\"%1\" must be an array of integers").arg(key);
        return false;
    }
    const QJsonArray array = list.toArray();
    for (qsizetype i = 0; i < array.size(); ++i) {
        int32_t value = 0;
        QString why;
        if (!JsonToInt32(array.at(i), value, &why)) {
            *error = QString("%1[%2]: %3").arg(key).arg(i).arg(why);
            return false;
        }
        values.push_back(value);
    }
    return true;
}

bool isHexDigits(const QString &text)
{
    // ASCII only: fromHex skips anything else, and other scripts' digits would vanish silently.
    for (QChar c : text) {
        if (!(c >= '0' && c <= '9') && !(c >= 'a' && c <= 'f') && !(c >= 'A' && c <= 'F'))
            return false;
    }
    return text.size() % 2 == 0;
}
} // namespace

QJsonValue BytesToJson(const std::string &bytes)
{
    bool valid = false;
    const QString text = FromCp932(bytes, &valid);
    if (valid && ToCp932(text) == bytes)
        return text;
    const QByteArray raw(bytes.data(), qsizetype(bytes.size()));
    return QJsonObject{{"hex", QString::fromLatin1(raw.toHex())}};
}

bool EncodeCp932Exactly(const QString &text, std::string &bytes, QString *error)
{
    bytes = ToCp932(text);
    bool valid = false;
    if (FromCp932(bytes, &valid) == text && valid)
        return true;
    // Name the first character that does not survive, and what to write instead.
    *error = Cp932Problem(text);
    if (error->isEmpty())
        *error = "the text has no exact code page 932 form";
    *error += "; or write the string as {\"hex\": ...} to give its bytes";
    return false;
}

bool JsonToBytes(const QJsonValue &value, std::string &bytes, QString *error)
{
    if (value.isString())
        return EncodeCp932Exactly(value.toString(), bytes, error);
    const QJsonObject object = value.toObject();
    if (value.isObject() && object.size() == 1 && object.value("hex").isString() &&
        isHexDigits(object.value("hex").toString())) {
        bytes = QByteArray::fromHex(object.value("hex").toString().toLatin1()).toStdString();
        return true;
    }
    *error = "must be a string or {\"hex\": \"<an even number of hex digits>\"}";
    return false;
}

bool JsonToInt32(const QJsonValue &value, int32_t &number, QString *error)
{
    const double d = value.toDouble(0.5);
    if (!value.isDouble() || d != std::floor(d) || d < INT32_MIN || d > INT32_MAX) {
        *error = "must be an integer from -2147483648 to 2147483647";
        return false;
    }
    number = int32_t(d);
    return true;
}

QByteArray LessonToJson(const CBolto &lesson)
{
    QByteArray out = "{\n    \"texts\": [";
    for (size_t i = 0; i < lesson.m_pageTexts.size(); ++i)
        out +=
            (i == 0 ? "\n        " : ",\n        ") + compact(BytesToJson(lesson.m_pageTexts[i]));
    out += lesson.m_pageTexts.empty() ? "],\n" : "\n    ],\n";
    out += "    \"kinds\": " + intsToJson(lesson.m_pageKinds) + ",\n";
    out += "    \"arrowLines\": " + intsToJson(lesson.m_arrowLines) + ",\n";
    out += "    \"arrowCounts\": " + intsToJson(lesson.m_arrowCounts) + ",\n";
    out += "    \"folder\": " + compact(BytesToJson(lesson.m_folderName)) + "\n}\n";
    return out;
}

bool LessonFromJson(const QJsonObject &object, CBolto &lesson, QString *error)
{
    static const QStringList keys = {"texts", "kinds", "arrowLines", "arrowCounts", "folder"};
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!keys.contains(it.key())) {
            *error = QString("unknown key \"%1\"; a lesson has %2").arg(it.key(), keys.join(", "));
            return false;
        }
    }
    for (const QString &key : keys) {
        if (!object.contains(key)) {
            *error = QString("\"%1\" is missing").arg(key);
            return false;
        }
    }
    const QJsonValue texts = object.value("texts");
    if (!texts.isArray()) {
        *error = "\"texts\" must be an array";
        return false;
    }
    const QJsonArray array = texts.toArray();
    for (qsizetype i = 0; i < array.size(); ++i) {
        std::string bytes;
        QString why;
        if (!JsonToBytes(array.at(i), bytes, &why)) {
            *error = QString("texts[%1]: %2").arg(i).arg(why);
            return false;
        }
        lesson.m_pageTexts.push_back(std::move(bytes));
    }
    if (!readInts(object, "kinds", lesson.m_pageKinds, error) ||
        !readInts(object, "arrowLines", lesson.m_arrowLines, error) ||
        !readInts(object, "arrowCounts", lesson.m_arrowCounts, error))
        return false;
    QString why;
    if (!JsonToBytes(object.value("folder"), lesson.m_folderName, &why)) {
        *error = "folder: " + why;
        return false;
    }
    return true;
}
