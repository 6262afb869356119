#pragma once

// What the program's window titles tell a benchmark that watches the X server: every presented
// frame sets the title to the frame rate.

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <string>

namespace bench {

// Windows may be gone by the time their creation or title is read (SDL makes and drops a few
// while it picks a visual): errors about them are expected.
inline int ignoreXError(Display*, XErrorEvent*) {
    return 0;
}

inline bool showsFrameRate(const std::string& title) {
    return !title.empty() && title.find_first_not_of("0123456789.e+-") == std::string::npos;
}

inline std::string windowTitle(Display* display, Window window) {
    XTextProperty property{};
    std::string title;
    if (XGetWMName(display, window, &property) && property.value) {
        title.assign(reinterpret_cast<const char*>(property.value), property.nitems);
        XFree(property.value);
    }
    return title;
}

} // namespace bench
