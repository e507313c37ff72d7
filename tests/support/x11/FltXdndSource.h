#pragma once

#include <string>

// A second X client that drops text onto a window through the XDND protocol, offering it
// as "text/uri-list", as a file manager offers a dragged file. The FLTK event loop is
// served while the drop goes on.
class XdndSource {
public:
    XdndSource(); // throws when the display cannot be opened
    ~XdndSource();
    XdndSource(const XdndSource&) = delete;
    XdndSource& operator=(const XdndSource&) = delete;

    // Drags `text` onto `target` (an X window id) at root position (`x`, `y`) and lets go.
    // True once the target has reported the drop finished; false when it refused the drag
    // (which is then left) or did not answer.
    bool drop(unsigned long target, int x, int y, const std::string& text);

private:
    // Xlib's type by its tag, so that its macros stay out of the tests that include this.
    struct _XDisplay* display;
    unsigned long window;

    void send(unsigned long target, const char* type, long l1, long l2 = 0, long l3 = 0,
              long l4 = 0);
    long await(const char* type, const std::string& text);
};
