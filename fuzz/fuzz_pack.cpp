// Any bytes as the JSON that pack reads (the dump shape or an authoring source): reading never
// crashes, and a lesson it accepts survives storing, loading, dumping and packing again.

#include "fuzzlesson.h"
#include "lessonjson.h"
#include "lessonsource.h"

#include <QJsonDocument>
#include <QJsonObject>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (!document.isObject())
        return 0;
    const QJsonObject object = document.object();
    CBolto lesson;
    QString error;
    if (CLessonSource::IsSource(object)) {
        CLessonSource source;
        if (!source.Read(object, &error))
            return 0;
        source.FillLesson(lesson);
    } else if (!LessonFromJson(object, lesson, &error)) {
        return 0;
    }

    LoadOutcome loaded = LoadFromMemory(Store(lesson));
    Require(loaded.ok, "a packed lesson does not load");
    Require(SameLesson(lesson, loaded.lesson), "a packed lesson loads differently");

    CBolto repacked;
    const QJsonDocument dumped = QJsonDocument::fromJson(LessonToJson(loaded.lesson));
    Require(dumped.isObject(), "dump is not a JSON object");
    Require(LessonFromJson(dumped.object(), repacked, &error), "pack refuses what dump wrote");
    Require(SameLesson(lesson, repacked), "dump and pack change the lesson");
    return 0;
}
