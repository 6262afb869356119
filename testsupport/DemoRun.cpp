#include "DemoRun.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>

namespace e2e {

namespace {

// The program may end (and its window go) at any moment: an error about the window must not
// end the test process, as Xlib's default handler would.
int ignoreXError(Display*, XErrorEvent*) {
    return 0;
}

Display* openDisplay() {
    XSetErrorHandler(ignoreXError);
    return XOpenDisplay(nullptr);
}

// Synthetic events straight to the window: a key pressed through the XTEST extension (what
// xdotool uses when the window has the focus) stays held in the server if its release goes
// astray, and its auto-repeat then reaches whichever window has the focus next.
void sendKeyEvent(Display* display, unsigned long window, unsigned keycode, bool press) {
    static Time time = 1;
    XKeyEvent event{};
    event.type = press ? KeyPress : KeyRelease;
    event.display = display;
    event.window = window;
    event.root = DefaultRootWindow(display);
    event.time = time++;
    event.same_screen = True;
    event.keycode = keycode;
    XSendEvent(display, window, True, press ? KeyPressMask : KeyReleaseMask,
               reinterpret_cast<XEvent*>(&event));
}

} // namespace

void sendKey(unsigned long window, const std::string& name, const std::string& action) {
    Display* display = openDisplay();
    if (!display)
        return;
    const unsigned keycode = XKeysymToKeycode(display, XStringToKeysym(name.c_str()));
    if (action != "keyup")
        sendKeyEvent(display, window, keycode, true);
    if (action != "keydown")
        sendKeyEvent(display, window, keycode, false);
    XSync(display, False);
    XCloseDisplay(display);
}

WindowPixels captureWindow(const std::string& window) {
    WindowPixels pixels;
    Display* display = openDisplay();
    if (!display)
        return pixels;
    XWindowAttributes attributes{};
    XImage* image = nullptr;
    if (XGetWindowAttributes(display, std::stoul(window), &attributes) && attributes.width > 0 &&
        attributes.height > 0)
        image = XGetImage(display, std::stoul(window), 0, 0, attributes.width, attributes.height,
                          AllPlanes, ZPixmap);
    if (image) {
        // Each channel from the visual's masks, scaled to 8 bits whatever the depth.
        const unsigned long masks[3] = {image->red_mask, image->green_mask, image->blue_mask};
        int shifts[3] = {};
        for (int k = 0; k < 3; ++k)
            while (masks[k] && !((masks[k] >> shifts[k]) & 1))
                ++shifts[k];
        pixels.width = attributes.width;
        pixels.height = attributes.height;
        pixels.rgb.resize(static_cast<std::size_t>(pixels.width) * pixels.height * 3);
        std::uint8_t* out = pixels.rgb.data();
        for (int y = 0; y < pixels.height; ++y)
            for (int x = 0; x < pixels.width; ++x) {
                const unsigned long p = XGetPixel(image, x, y);
                for (int k = 0; k < 3; ++k) {
                    const unsigned long top = masks[k] >> shifts[k];
                    *out++ = static_cast<std::uint8_t>(
                        top ? ((p & masks[k]) >> shifts[k]) * 255 / top : 0);
                }
            }
        XDestroyImage(image);
    }
    XCloseDisplay(display);
    return pixels;
}

void sendCloseRequest(unsigned long window) {
    Display* display = openDisplay();
    if (!display)
        return;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XCloseDisplay(display);
}

} // namespace e2e
