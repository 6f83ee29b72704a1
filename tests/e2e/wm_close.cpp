// tests/e2e/wm_close.cpp — asks a window to close the way a window manager does (WM_DELETE_WINDOW).
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: rr_wm_close WINDOW_ID\n");
        return 2;
    }
    Display *d = XOpenDisplay(nullptr);
    if (d == nullptr) return 2;
    Window w = (Window)strtoul(argv[1], nullptr, 0);
    XEvent e = {};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = (long)XInternAtom(d, "WM_DELETE_WINDOW", False);
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, w, False, NoEventMask, &e);
    XFlush(d);
    XCloseDisplay(d);
    return 0;
}
