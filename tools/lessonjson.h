#pragma once

// The lesson as JSON, in file order:
//   {"texts": [...], "kinds": [...], "arrowLines": [...], "arrowCounts": [...], "folder": "..."}
// A text or the folder is a string when its bytes are code page 932 that decodes and encodes
// back to the very same bytes, and {"hex": "<its bytes>"} otherwise, so nothing is lost.

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>

class CBolto;

QByteArray LessonToJson(const CBolto &lesson);
// The same text, handed to `write` a piece at a time so that a large lesson is never held twice;
// stops and answers false as soon as `write` does.
bool WriteLessonJson(const CBolto &lesson, const std::function<bool(const QByteArray &)> &write);

// Fills `lesson` from the shape above; on a fault names it in `error` and returns false.
bool LessonFromJson(const QJsonObject &object, CBolto &lesson, QString *error);

QJsonValue BytesToJson(const std::string &bytes);

// A string encoded to code page 932, or the bytes of {"hex": ...}. A character the code page
// cannot hold exactly is an error rather than a silent '?'.
bool JsonToBytes(const QJsonValue &value, std::string &bytes, QString *error);
bool EncodeCp932Exactly(const QString &text, std::string &bytes, QString *error);

bool JsonToInt32(const QJsonValue &value, int32_t &number, QString *error);
