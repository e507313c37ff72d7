#include "FltXdndSource.h"

#include <FL/Fl.H>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>

namespace {

const long xdndVersion = 5;
const long moreThanThreeTypes = 1;
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

bool XdndSource::drop(unsigned long target, int x, int y, const std::string& text,
                      const std::vector<std::string>& types) {
    const long source = static_cast<long>(window);
    enter(target, types);
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

// Takes the drop selection and names the types: the first three in the message, all of them
// in the window's type list, which the target reads when there are more.
void XdndSource::enter(unsigned long target, const std::vector<std::string>& types) {
    std::vector<Atom> offered;
    for (const std::string& type : types)
        offered.push_back(atom(display, type.c_str()));
    XChangeProperty(display, window, atom(display, "XdndTypeList"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(offered.data()),
                    static_cast<int>(offered.size()));
    XSetSelectionOwner(display, atom(display, "XdndSelection"), window, CurrentTime);
    offered.resize(3, None);
    const long flags = (xdndVersion << 24) | (types.size() > 3 ? moreThanThreeTypes : 0);
    sendMessage(target, "XdndEnter",
                {long(window), flags, long(offered[0]), long(offered[1]), long(offered[2])});
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
