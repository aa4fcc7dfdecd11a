#include "app/lock_keys.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

// Xlib last: its macros (Bool, None, Status) would clash with the Qt headers.
#if KIVO_HAVE_XKB && QT_CONFIG(xcb)
#include <X11/XKBlib.h>
#endif

namespace kivo::app {

std::optional<LockKeys> ReadLockKeys() {
#if KIVO_HAVE_XKB && QT_CONFIG(xcb)
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display) return std::nullopt;
    // Indicators are looked up by name: their numbers differ between keyboard maps.
    bool known = false;
    auto indicator = [&](const char* name) {
        const Atom atom = XInternAtom(display, name, True);
        Bool on = False;
        if (atom == None || !XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr))
            return false;
        known = true;
        return on != False;
    };
    LockKeys keys;
    keys.caps = indicator("Caps Lock");
    keys.num = indicator("Num Lock");
    keys.scroll = indicator("Scroll Lock");
    if (!known) return std::nullopt;
    return keys;
#else
    return std::nullopt;
#endif
}

} // namespace kivo::app
