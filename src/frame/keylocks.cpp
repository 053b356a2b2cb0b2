#include "keylocks.h"

#ifdef BOLTO_HAVE_XKB
#include <QGuiApplication>

#include <X11/XKBlib.h>

namespace {
// Looks an indicator up by its name, which keymaps keep stable while the indices vary.
bool namedIndicator(Display *display, const char *name, unsigned fallbackMask, unsigned state)
{
    const Atom atom = XInternAtom(display, name, True);
    Bool on = False;
    if (atom != None && XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr))
        return on;
    return (state & fallbackMask) != 0;
}
} // namespace

std::optional<KeyLockState> ReadKeyLockState()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display *display = x11 ? x11->display() : nullptr;
    if (!display)
        return std::nullopt;
    unsigned state = 0;
    if (XkbGetIndicatorState(display, XkbUseCoreKbd, &state) != Success)
        return std::nullopt;
    KeyLockState locks;
    locks.capsLock = namedIndicator(display, "Caps Lock", 0x1, state);
    locks.numLock = namedIndicator(display, "Num Lock", 0x2, state);
    locks.scrollLock = namedIndicator(display, "Scroll Lock", 0x4, state);
    return locks;
}
#else
std::optional<KeyLockState> ReadKeyLockState()
{
    return std::nullopt;
}
#endif
