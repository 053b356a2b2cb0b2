#pragma once

// The keyboard's lock indicators as the window system reports them.

#include <optional>

struct KeyLockState
{
    bool capsLock = false;
    bool numLock = false;
    bool scrollLock = false;
};

// Nothing where the window system does not tell (other platforms than X11, no XKB).
std::optional<KeyLockState> ReadKeyLockState();
