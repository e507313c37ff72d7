#pragma once

#include <string>

// A second X client that drops text onto a window through the XDND protocol, offering it
// as "text/uri-list", as a file manager offers a dragged file. The FLTK event loop is
// served while the drop goes on.
class XdndSource {
public:
    XdndSource();
    ~XdndSource();
    XdndSource(const XdndSource&) = delete;
    XdndSource& operator=(const XdndSource&) = delete;

    bool ok() const { return display != nullptr; }

    // Drags `text` onto `target` (an X window id) at root position (`x`, `y`) and lets go.
    // True once the target has reported the drop finished, or has refused the drag (which
    // is then left); false when it did not answer.
    bool drop(unsigned long target, int x, int y, const std::string& text);
    // Whether the target accepted the drag at its last position.
    bool accepted() const { return lastAccepted; }

private:
    // Xlib's types by their tags, so that its macros stay out of the tests that include this.
    struct _XDisplay* display;
    unsigned long window = 0;
    bool lastAccepted = false;

    void sendMessage(unsigned long target, const char* type, const long (&data)[5]);
    bool awaitMessage(const char* type, const std::string& text);
    void answerRequest(const union _XEvent& request, const std::string& text);
};
