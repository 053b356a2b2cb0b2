#pragma once

// The current step in words, for screen readers: "ステップ 3: 10〜13行目を置き換え". Text in UTF-8.

#include <cstdint>
#include <string>

class CBolto;

// Page `page` (zero-based) of kind `kind` at `line` (one-based) over `count` lines. Lines and
// counts come from the lesson file unchecked; out-of-range values still give a sentence.
std::string StepDescription(int page, int32_t kind, int32_t line, int32_t count);
// The lesson's current page, or an empty text without one.
std::string CurrentStepDescription(const CBolto &lesson);
