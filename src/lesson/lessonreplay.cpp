#include "lessonreplay.h"

#include "bolto.h"

#include <algorithm>

namespace {
constexpr std::string_view kLineBreak = "\r\n";

// Lines as the editor shows them: split at LF, a CR right before it dropped; the text after the
// last LF is always one more line, so "" is one empty line and a final line break adds an empty
// one.
class LineCursor
{
public:
    explicit LineCursor(std::string_view text) : m_text(text) {}

    bool next(std::string_view &line)
    {
        if (m_done)
            return false;
        const size_t lf = m_text.find('\n', m_pos);
        if (lf == std::string_view::npos) {
            line = m_text.substr(m_pos);
            m_done = true;
            return true;
        }
        line = m_text.substr(m_pos, lf - m_pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        m_pos = lf + 1;
        return true;
    }

private:
    std::string_view m_text;
    size_t m_pos = 0;
    bool m_done = false;
};
} // namespace

int CLessonReplay::LineCount(std::string_view text)
{
    int count = 0;
    size_t pos = 0;
    for (;;) {
        const size_t at = text.find(kLineBreak, pos);
        if (at == std::string_view::npos)
            break;
        ++count;
        pos = at + kLineBreak.size();
    }
    return pos < text.size() ? count + 1 : count;
}

size_t CLessonReplay::LineStart(std::string_view text, int line)
{
    // As the editor finds a page's line: after line - 1 line breaks, or the end of the text.
    size_t pos = 0;
    for (int i = 1; i < line; ++i) {
        const size_t at = text.find(kLineBreak, pos);
        if (at == std::string_view::npos)
            return text.size();
        pos = at + kLineBreak.size();
    }
    return pos;
}

CLessonReplay::Result CLessonReplay::Apply(int32_t kind, int32_t line, int32_t count,
                                           std::string_view snippet)
{
    if (kind != Add && kind != Replace && kind != Delete)
        return unknownKind;
    if (line < 1)
        return lineBelowOne;
    if (kind == Add || (kind == Replace && count == 0)) {
        m_program.insert(LineStart(m_program, line), snippet);
        return applied;
    }
    if (count < 0)
        return countNegative;
    if (count == 0)
        return nothingToCut;
    if (int64_t(line) + count - 1 > LineCount(m_program))
        return linesMissing;
    const size_t start = LineStart(m_program, line);
    const size_t end =
        LineStart(m_program, int(std::min<int64_t>(int64_t(line) + count, INT32_MAX)));
    m_program.replace(start, end - start, kind == Replace ? snippet : std::string_view());
    return applied;
}

CLessonReplay::Result CLessonReplay::ApplyPage(const CBolto &lesson, int page)
{
    return Apply(lesson.GetPageKind(page), lesson.GetArrowLine(page), lesson.GetArrowCount(page),
                 lesson.GetPageText(page));
}

const char *CLessonReplay::Describe(Result result)
{
    switch (result) {
    case applied:
        return "applied";
    case lineBelowOne:
        return "the arrow line is below 1";
    case countNegative:
        return "the arrow count is negative";
    case linesMissing:
        return "the program does not have the lines the page names";
    case nothingToCut:
        return "a delete page with an arrow count of 0 leaves nothing to cut";
    case unknownKind:
        return "the kind is not add (0), replace (1) or delete (2)";
    }
    return "";
}

std::string_view CLessonReplay::Line(std::string_view text, int line)
{
    LineCursor cursor(text);
    std::string_view result;
    for (int i = 1; i <= std::max(line, 1); ++i) {
        if (!cursor.next(result))
            return {};
    }
    return result;
}

int CLessonReplay::FirstDifferentLine(std::string_view a, std::string_view b)
{
    LineCursor cursorA(a);
    LineCursor cursorB(b);
    for (int line = 1;; ++line) {
        std::string_view lineA;
        std::string_view lineB;
        const bool inA = cursorA.next(lineA);
        const bool inB = cursorB.next(lineB);
        if (!inA && !inB)
            return 0;
        if (inA != inB || lineA != lineB)
            return line;
    }
}
