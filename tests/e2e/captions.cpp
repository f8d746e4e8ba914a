// Prints every caption of the display's windows, as the X server reports each
// change: the window (in decimal, as xdotool prints it), a tab and the caption,
// a line each, from the window's creation on. Unlike reading the caption now
// and then, it misses none that shows only for a moment.
// Usage: captions (on $DISPLAY, started before the program; ends with the display)
#include <X11/Xlib.h>
#include <cstdio>

namespace
{

// A window that is gone before it is asked has nothing to print.
int ignore(Display*, XErrorEvent*)
{
    return 0;
}

void print(Display* display, Window window, Atom name, Atom utf8)
{
    Atom type = None;
    int format = 0;
    unsigned long length = 0;
    unsigned long after = 0;
    unsigned char* value = nullptr;
    if (XGetWindowProperty(display, window, name, 0, 1024, False, utf8, &type, &format, &length,
                           &after, &value) != Success)
        return;
    if (type == utf8 && format == 8)
        std::printf("%lu\t%.*s\n", window, static_cast<int>(length),
                    reinterpret_cast<const char*>(value));
    XFree(value);
    std::fflush(stdout);
}

} // namespace

int main()
{
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "captions: cannot open the display\n");
        return 1;
    }
    XSetErrorHandler(ignore);
    const Atom name = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    // Without a window manager a program's windows are the root's children.
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == CreateNotify) {
            // Asked after selecting its changes, so that none falls in between.
            XSelectInput(display, event.xcreatewindow.window, PropertyChangeMask);
            print(display, event.xcreatewindow.window, name, utf8);
        } else if (event.type == PropertyNotify && event.xproperty.atom == name &&
                   event.xproperty.state == PropertyNewValue) {
            print(display, event.xproperty.window, name, utf8);
        }
    }
}
