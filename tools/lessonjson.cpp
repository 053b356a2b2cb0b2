#include "lessonjson.h"

#include "bolto.h"
#include "codepage.h"
#include "qtcodepage.h"
#include "sourcefolder.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cmath>

namespace {
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

namespace {
// One string as QJsonDocument's compact form writes it: UTF-8, with quote, backslash and the
// control characters escaped. Code page 932 text never holds a lone surrogate.
void appendJsonString(std::u16string_view text, QByteArray &out)
{
    static const char hex[] = "0123456789abcdef";
    const qsizetype start = out.size();
    out.resize(start + 2 + 6 * qsizetype(text.size())); // the longest form: \u00XX
    char *o = out.data() + start;
    *o++ = '"';
    for (const char16_t unit : text) {
        const uint32_t c = unit;
        if (c >= 0x20 && c < 0x80 && c != '"' && c != '\\') {
            *o++ = char(c);
        } else if (c < 0x80) {
            *o++ = '\\';
            switch (c) {
            case '"':
            case '\\':
                *o++ = char(c);
                break;
            case '\b':
                *o++ = 'b';
                break;
            case '\f':
                *o++ = 'f';
                break;
            case '\n':
                *o++ = 'n';
                break;
            case '\r':
                *o++ = 'r';
                break;
            case '\t':
                *o++ = 't';
                break;
            default:
                *o++ = 'u';
                *o++ = '0';
                *o++ = '0';
                *o++ = hex[c >> 4];
                *o++ = hex[c & 0xF];
            }
        } else if (c < 0x800) {
            *o++ = char(0xC0 | (c >> 6));
            *o++ = char(0x80 | (c & 0x3F));
        } else {
            *o++ = char(0xE0 | (c >> 12));
            *o++ = char(0x80 | ((c >> 6) & 0x3F));
            *o++ = char(0x80 | (c & 0x3F));
        }
    }
    *o++ = '"';
    out.truncate(o - out.constData());
}

// BytesToJson's result, written straight out: decoded and checked with the fast tables.
void appendBytesJson(std::string_view bytes, std::u16string &units, QByteArray &out)
{
    units.resize(bytes.size());
    bool exact = false;
    units.resize(codepage::Cp932ToUtf16(bytes, units.data(), nullptr, &exact));
    if (exact) {
        appendJsonString(units, out);
        return;
    }
    const QByteArray raw(bytes.data(), qsizetype(bytes.size()));
    out += "{\"hex\":\"" + raw.toHex() + "\"}";
}

void appendInts(const std::vector<int32_t> &values, QByteArray &out)
{
    out += '[';
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            out += ',';
        out += QByteArray::number(values[i]);
    }
    out += ']';
}
} // namespace

bool WriteLessonJson(const CBolto &lesson, const std::function<bool(const QByteArray &)> &write)
{
    constexpr qsizetype kPiece = 1 << 20;
    QByteArray out = "{\n    \"texts\": [";
    std::u16string units;
    for (size_t i = 0; i < lesson.m_pageTexts.size(); ++i) {
        out += i == 0 ? "\n        " : ",\n        ";
        appendBytesJson(lesson.m_pageTexts[i], units, out);
        if (out.size() >= kPiece) {
            if (!write(out))
                return false;
            out.truncate(0); // keeps the buffer for the next piece
        }
    }
    out += lesson.m_pageTexts.empty() ? "],\n" : "\n    ],\n";
    out += "    \"kinds\": ";
    appendInts(lesson.m_pageKinds, out);
    out += ",\n    \"arrowLines\": ";
    appendInts(lesson.m_arrowLines, out);
    out += ",\n    \"arrowCounts\": ";
    appendInts(lesson.m_arrowCounts, out);
    out += ",\n    \"folder\": ";
    appendBytesJson(lesson.m_folderName, units, out);
    out += "\n}\n";
    return write(out);
}

QByteArray LessonToJson(const CBolto &lesson)
{
    QByteArray json;
    WriteLessonJson(lesson, [&json](const QByteArray &piece) {
        json += piece;
        return true;
    });
    return json;
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
