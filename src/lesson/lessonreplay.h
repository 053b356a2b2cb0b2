#pragma once

// Carries out lesson pages on a program the way a learner does in the editor, so lesson authors
// and tests can tell what the program looks like after every step. The program is code page 932
// bytes with CR LF line ends. Lines are 1-based.

#include <cstdint>
#include <string>
#include <string_view>

class CBolto;

class CLessonReplay
{
public:
    enum Result {
        applied,
        lineBelowOne,  // the arrow line is 0 or negative
        countNegative, // the arrow count is negative
        linesMissing,  // a Replace or Delete page names lines the program does not have
        nothingToCut,  // a Delete page with a count of 0
        unknownKind,   // not Add, Replace or Delete: the editor has no rule for it
    };

    explicit CLessonReplay(std::string program = {}) : m_program(std::move(program)) {}

    // Add inserts the snippet at the start of `line` (the end of the program when it has fewer
    // lines); Replace puts it in place of `count` whole lines with their line breaks; Delete
    // removes those lines and ignores the snippet, which is only shown to the learner. A page
    // that cannot be carried out leaves the program unchanged.
    Result Apply(int32_t kind, int32_t line, int32_t count, std::string_view snippet);
    Result ApplyPage(const CBolto &lesson, int page);

    const std::string &GetProgram() const { return m_program; }

    // An English sentence for a result, for reports.
    static const char *Describe(Result result);

    // The lines a page can name: each CR LF ends one, and text after the last CR LF is one more.
    static int LineCount(std::string_view text);
    // The byte offset where 1-based `line` starts; the end of the text when it has fewer lines.
    static size_t LineStart(std::string_view text, int line);
    // Lines as the editor shows them, for comparing programs: CR LF and LF alike end a line, and
    // the text after the last line break is one more line, even when empty.
    // 1-based `line` without its line break; empty past the end.
    static std::string_view Line(std::string_view text, int line);
    // The first 1-based line in which the texts differ; 0 when they are equal.
    static int FirstDifferentLine(std::string_view a, std::string_view b);

private:
    std::string m_program;
};
