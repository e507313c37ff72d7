#include "FltXdndSource.h"

#include <FL/Fl.H>

#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace {

const long xdndVersion = 5;
const long targetAccepts = 1;                      // bit of the status's second field
const auto answerLimit = std::chrono::seconds(10); // a broken target fails, not hangs

void answer(Display* display, const XSelectionRequestEvent& asked, const std::string& text) {
    XChangeProperty(display, asked.requestor, asked.property, asked.target, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(text.data()), int(text.size()));
    XEvent reply{};
    reply.xselection = {
        SelectionNotify, 0,         True, display, asked.requestor, asked.selection, asked.target,
        asked.property,  asked.time};
    XSendEvent(display, asked.requestor, False, NoEventMask, &reply);
    XFlush(display);
}

} // namespace

XdndSource::XdndSource() : display(XOpenDisplay(nullptr)) {
    if (!display)
        throw std::runtime_error("cannot open the X display");
    window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
}

XdndSource::~XdndSource() {
    XDestroyWindow(display, window);
    XCloseDisplay(display);
}

bool XdndSource::drop(unsigned long target, int x, int y, const std::string& text) {
    XSetSelectionOwner(display, XInternAtom(display, "XdndSelection", False), window, CurrentTime);
    send(target, "XdndEnter", xdndVersion << 24,
         long(XInternAtom(display, "text/uri-list", False)));
    send(target, "XdndPosition", 0, (long(x) << 16) | y, CurrentTime,
         long(XInternAtom(display, "XdndActionCopy", False)));
    const long status = await("XdndStatus", text);
    if (status < 0 || (status & targetAccepts) == 0) {
        send(target, "XdndLeave", 0);
        return false;
    }
    send(target, "XdndDrop", 0, CurrentTime);
    return await("XdndFinished", text) >= 0;
}

void XdndSource::send(unsigned long target, const char* type, long l1, long l2, long l3, long l4) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = target;
    event.xclient.message_type = XInternAtom(display, type, False);
    event.xclient.format = 32;
    const long data[5] = {long(window), l1, l2, l3, l4};
    std::copy(data, data + 5, event.xclient.data.l);
    XSendEvent(display, target, False, NoEventMask, &event);
    XFlush(display);
}

// Serves both sides, the FLTK loop and this client, until the target sends `type`; returns
// the message's second field, or -1 when none came.
long XdndSource::await(const char* type, const std::string& text) {
    const Atom wanted = XInternAtom(display, type, False);
    const auto giveUp = std::chrono::steady_clock::now() + answerLimit;
    while (std::chrono::steady_clock::now() < giveUp) {
        Fl::wait(0.01);
        for (XEvent event; XPending(display);) {
            XNextEvent(display, &event);
            if (event.type == SelectionRequest)
                answer(display, event.xselectionrequest, text);
            else if (event.type == ClientMessage && event.xclient.message_type == wanted)
                return event.xclient.data.l[1];
        }
    }
    return -1;
}
