#pragma once

// Conversions between the lessons' code page 932 byte strings and Unicode. Lesson files keep
// their bytes; text is converted only where it meets the screen, the clipboard or the disk.

#include <cstddef>
#include <string>
#include <string_view>

namespace codepage {

// Decodes code page 932 bytes. Invalid or incomplete sequences become U+FFFD; `valid` (when given)
// tells whether every byte was part of a valid character.
std::u16string Cp932ToUtf16(std::string_view bytes, bool *valid = nullptr);

// The same into `out`, which has room for bytes.size() units (never more are written); answers
// how many were written. `exact` (when given) tells whether the text is valid and encodes back
// to the very same bytes.
size_t Cp932ToUtf16(std::string_view bytes, char16_t *out, bool *valid = nullptr,
                    bool *exact = nullptr);

// Encodes to code page 932. A character the code page lacks becomes '?', as the system's default
// character does.
std::string Utf16ToCp932(std::u16string_view text);

// The same, appended to `out`. A surrogate pair split between two calls counts as two
// characters the code page lacks: callers cut text between characters.
void AppendUtf16AsCp932(std::u16string_view text, std::string &out);

// The system converter the fast tables are built from, kept for comparing them with it.
namespace reference {
std::u16string Cp932ToUtf16(std::string_view bytes, bool *valid = nullptr);
std::string Utf16ToCp932(std::u16string_view text);
} // namespace reference

} // namespace codepage
