#pragma once

// Conversions between the lessons' code page 932 byte strings and Unicode. Lesson files keep
// their bytes; text is converted only where it meets the screen, the clipboard or the disk.

#include <string>
#include <string_view>

namespace codepage {

// Decodes code page 932 bytes. Invalid or incomplete sequences become U+FFFD; `valid` (when given)
// tells whether every byte was part of a valid character.
std::u16string Cp932ToUtf16(std::string_view bytes, bool *valid = nullptr);

// Encodes to code page 932. A character the code page lacks becomes '?', as the system's default
// character does.
std::string Utf16ToCp932(std::u16string_view text);

} // namespace codepage
