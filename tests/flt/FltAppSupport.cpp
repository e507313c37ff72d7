#include "FltAppSupport.h"

#include "FltEventLoop.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>

#include <X11/Xatom.h>
#include <X11/Xutil.h>

const char* const testVendor = "nvxtest";
const char* const testApp = "Veltrano";

Flt_AppSetup playerSetup() {
    Flt_AppSetup setup = Flt_AppSetup::sizable(900, 627);
    setup.title = "Veltrano V1.4";
    setup.vendor = testVendor;
    setup.appName = testApp;
    setup.console = false;
    return setup;
}

std::ostream& operator<<(std::ostream& out, const WindowRect& g) {
    return out << g.x << "," << g.y << " " << g.w << "x" << g.h;
}

WindowRect serverGeometry(Fl_Window& window) {
    XWindowAttributes attributes;
    XGetWindowAttributes(fl_display, fl_xid(&window), &attributes);
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(fl_display, fl_xid(&window), RootWindow(fl_display, fl_screen), 0, 0, &x,
                          &y, &child);
    return {x, y, attributes.width, attributes.height};
}

WindowRect sizeHints(Fl_Window& window) {
    XSizeHints hints{};
    long supplied = 0;
    XGetWMNormalHints(fl_display, fl_xid(&window), &hints, &supplied);
    const bool hasMin = hints.flags & PMinSize, hasMax = hints.flags & PMaxSize;
    return {hasMin ? hints.min_width : 0, hasMin ? hints.min_height : 0,
            hasMax ? hints.max_width : 0, hasMax ? hints.max_height : 0};
}

std::string serverTitle(Fl_Window& window) {
    char* name = nullptr;
    XFetchName(fl_display, fl_xid(&window), &name);
    const std::string title = name ? name : "";
    XFree(name);
    return title;
}

WindowRect serverIconSize(Fl_Window& window) {
    Atom type;
    int format = 0;
    unsigned long items = 0, remaining = 0;
    unsigned char* data = nullptr;
    const Atom icon = XInternAtom(fl_display, "_NET_WM_ICON", False);
    XGetWindowProperty(fl_display, fl_xid(&window), icon, 0, 2, False, XA_CARDINAL, &type, &format,
                       &items, &remaining, &data);
    const long* values = reinterpret_cast<const long*>(data);
    const WindowRect size{0, 0, items == 2 ? int(values[0]) : 0, items == 2 ? int(values[1]) : 0};
    XFree(data);
    return size;
}

void showAndSettle(Fl_Window& window) {
    window.show();
    XSync(fl_display, False);
    loopUntil([&] {
        XWindowAttributes attributes;
        return XGetWindowAttributes(fl_display, fl_xid(&window), &attributes) &&
               attributes.map_state == IsViewable;
    });
    loopFor(0.1);
}

int pressKey(Fl_Window& window, int key) {
    static char text[2] = {0, 0};
    text[0] = key == FL_Escape ? '\033' : 0;
    Fl::e_keysym = key;
    Fl::e_state = 0;
    Fl::e_text = text;
    Fl::e_length = text[0] ? 1 : 0;
    return Fl::handle(FL_KEYDOWN, &window);
}
