#include "FltXdndSource.h"

#include <FL/Fl.H>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>

namespace {

const long xdndVersion = 5;
const long targetAccepts = 1;
const auto answerLimit = std::chrono::seconds(10); // a broken target fails, not hangs

Atom atom(Display* display, const char* name) {
    return XInternAtom(display, name, False);
}

} // namespace

XdndSource::XdndSource() : display(XOpenDisplay(nullptr)) {
    if (display)
        window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
}

XdndSource::~XdndSource() {
    if (!display)
        return;
    XDestroyWindow(display, window);
    XCloseDisplay(display);
}

bool XdndSource::drop(unsigned long target, int x, int y, const std::string& text) {
    const long source = static_cast<long>(window);
    XSetSelectionOwner(display, atom(display, "XdndSelection"), window, CurrentTime);
    sendMessage(target, "XdndEnter",
                {source, xdndVersion << 24, long(atom(display, "text/uri-list")), 0, 0});
    sendMessage(
        target, "XdndPosition",
        {source, 0, (long(x) << 16) | y, CurrentTime, long(atom(display, "XdndActionCopy"))});
    if (!awaitMessage("XdndStatus", text))
        return false;
    if (!lastAccepted) {
        sendMessage(target, "XdndLeave", {source, 0, 0, 0, 0});
        return true;
    }
    sendMessage(target, "XdndDrop", {source, 0, CurrentTime, 0, 0});
    return awaitMessage("XdndFinished", text);
}

void XdndSource::sendMessage(unsigned long target, const char* type, const long (&data)[5]) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = target;
    event.xclient.message_type = atom(display, type);
    event.xclient.format = 32;
    for (int i = 0; i < 5; ++i)
        event.xclient.data.l[i] = data[i];
    XSendEvent(display, target, False, NoEventMask, &event);
    XFlush(display);
}

// Serves both sides, the FLTK loop and this client, until the target sends `type`.
bool XdndSource::awaitMessage(const char* type, const std::string& text) {
    const Atom wanted = atom(display, type);
    const auto giveUp = std::chrono::steady_clock::now() + answerLimit;
    while (std::chrono::steady_clock::now() < giveUp) {
        Fl::wait(0.01);
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == SelectionRequest)
                answerRequest(event, text);
            if (event.type != ClientMessage || event.xclient.message_type != wanted)
                continue;
            if (wanted == atom(display, "XdndStatus"))
                lastAccepted = (event.xclient.data.l[1] & targetAccepts) != 0;
            return true;
        }
    }
    return false;
}

void XdndSource::answerRequest(const XEvent& request, const std::string& text) {
    const XSelectionRequestEvent& asked = request.xselectionrequest;
    XChangeProperty(display, asked.requestor, asked.property, asked.target, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(text.data()),
                    static_cast<int>(text.size()));
    XEvent answer{};
    answer.xselection.type = SelectionNotify;
    answer.xselection.requestor = asked.requestor;
    answer.xselection.selection = asked.selection;
    answer.xselection.target = asked.target;
    answer.xselection.property = asked.property;
    answer.xselection.time = asked.time;
    XSendEvent(display, asked.requestor, False, NoEventMask, &answer);
    XFlush(display);
}
