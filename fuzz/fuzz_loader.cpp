// Any bytes as a lesson file: loading never crashes, hangs or overreads, and memory, a regular
// file and a stream of unknown size give the same lesson and the same failure at the same offset.

#include "fuzzlesson.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    const LoadOutcome memory = LoadFromMemory(bytes);
    for (const bool stream : {false, true}) {
        LoadOutcome other;
        if (LoadFromFile(bytes, stream, other))
            Require(SameOutcome(memory, other),
                    stream ? "memory and stream disagree" : "memory and file disagree");
    }
    return 0;
}
