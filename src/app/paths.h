#pragma once

// Path helpers shared by the document, the tutorial pane and Run. Paths are UTF-8 byte strings,
// in which no separator or dot byte can hide inside a multi-byte character.

#include <string>
#include <string_view>

// The directory of the running program, always ending in '/'. Every file the program reads or
// writes besides the lesson file itself lies below it.
std::string ProgramDirectory();

// Tests point the program directory at a folder of their own; an empty string restores the
// executable's directory.
void SetProgramDirectoryOverride(const std::string &directory);

// The last component of a path or URL without its extension; '\' and '/' both separate.
// Returns false, leaving `title` untouched, when that component yields no title.
bool FileBaseName(std::string &title, std::string_view path);
