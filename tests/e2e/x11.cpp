// The end-to-end scripts' hands and eyes on $DISPLAY.
// x11 captions: every caption change of the display's windows as the X server
// reports it, from each window's creation on (so none that shows only for a
// moment is missed): the window in decimal, as xdotool prints it, a tab and
// the caption. x11 close WINDOW: a WM_DELETE_WINDOW message, as the close button
// of a window manager sends.
#include <X11/Xlib.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

int captions(Display* display)
{
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

int closeWindow(Display* display, Window window)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    return sent ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    const bool logCaptions = argc == 2 && std::strcmp(argv[1], "captions") == 0;
    const Window window =
        argc == 3 && std::strcmp(argv[1], "close") == 0 ? std::strtoul(argv[2], nullptr, 0) : 0;
    if (!logCaptions && window == 0) {
        std::fprintf(stderr, "usage: %s captions | close WINDOW\n", argv[0]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "x11: cannot open the display\n");
        return 1;
    }
    if (logCaptions)
        return captions(display);
    const int rc = closeWindow(display, window);
    XCloseDisplay(display);
    return rc;
}
