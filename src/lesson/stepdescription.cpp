#include "stepdescription.h"

#include "bolto.h"

std::string StepDescription(int page, int32_t kind, int32_t line, int32_t count)
{
    const long long first = line;
    const long long last = first + (count > 0 ? count : 1) - 1;
    std::string lines = std::to_string(first);
    if (last != first)
        lines += "〜" + std::to_string(last);
    lines += "行目";
    std::string text = "ステップ " + std::to_string(page + 1LL) + ": ";
    switch (kind) {
    case Replace:
        return text + lines + "を置き換え";
    case Delete:
        return text + lines + "を削除";
    default:
        // An addition goes before its line, whatever the count says.
        return text + std::to_string(first) + "行目に追加";
    }
}

std::string CurrentStepDescription(const CBolto &lesson)
{
    const int page = lesson.m_currentPage;
    if (page < 0 || page >= lesson.GetPageCount())
        return {};
    return StepDescription(page, lesson.GetPageKind(page), lesson.GetArrowLine(page),
                           lesson.GetArrowCount(page));
}
