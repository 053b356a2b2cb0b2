// A lesson that loads is stored and loaded again unchanged, and storing is stable: the stored
// bytes load to the same lesson and store to the same bytes.

#include "fuzzlesson.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    LoadOutcome loaded =
        LoadFromMemory(std::string_view(reinterpret_cast<const char *>(data), size));
    if (!loaded.ok)
        return 0;
    const std::string stored = Store(loaded.lesson);
    LoadOutcome again = LoadFromMemory(stored);
    Require(again.ok, "a stored lesson does not load");
    Require(SameLesson(loaded.lesson, again.lesson), "a stored lesson loads differently");
    Require(Store(again.lesson) == stored, "storing is not stable");
    return 0;
}
