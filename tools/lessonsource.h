#pragma once

// The authoring source of a lesson: what a lesson author writes, and what pack turns into a
// lesson file.
//
//   {"folder": "webgl",
//    "pages": [{"snippet": "...", "kind": "add" | "replace" | "delete" | <int>,
//               "line": N, "count": N, "program": "<the learner's whole program after this step>"},
//              ...]}
//
// Snippets and programs use "\n" line ends; the lesson stores snippets with CR LF in code page
// 932. "program" is optional and never stored: check compares the replayed steps with it.

#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CBolto;

class CLessonSource
{
public:
    struct Page
    {
        std::string snippet; // code page 932, CR LF line ends
        int32_t kind = 0;
        int32_t line = 0;
        int32_t count = 0;
        std::optional<std::string> program; // code page 932, CR LF line ends
    };

    // A JSON object is a source, not a dumped lesson, when it has "pages".
    static bool IsSource(const QJsonObject &object) { return object.contains("pages"); }

    // On a fault names it in `error` and returns false.
    bool Read(const QJsonObject &object, QString *error);
    void FillLesson(CBolto &lesson) const;
    // A source that only repeats the lesson's pages, for replaying a lesson without one.
    static CLessonSource WithoutPrograms(const CBolto &lesson);

    std::string m_folder;
    std::vector<Page> m_pages;
};
