#pragma once

// The images and sounds compiled into the program live in a static library, where the linker
// would drop their registration: whoever needs them calls this first (any number of times).
void InitBoltoResources();
