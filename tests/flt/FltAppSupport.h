#pragma once

#include "FltTempHome.h"
#include "Flt_App.h"

#include <ostream>
#include <string>

class Fl_Window;

// The store every application test uses, inside a TempHome.
extern const char* const testVendor;
extern const char* const testApp;

// The player's record, on the test store.
Flt_AppSetup playerSetup();

// An application that counts its hooks and lets the test set what onClose answers.
class CountingApp : public Flt_App {
public:
    using Flt_App::Flt_App;

    int starts = 0;
    int closes = 0;
    bool agreeToClose = true;
    bool shownAtStart = false;

    void setEscapeMode(int mode) { escapeMode = mode; }
    bool positionForced() const { return force_position() != 0; }

protected:
    void onStart(int, char**) override {
        ++starts;
        shownAtStart = shown() != 0;
    }
    bool onClose() override {
        ++closes;
        return agreeToClose;
    }
};

// Geometry as the X server has it: position on the root window, and size.
struct WindowRect {
    int x, y, w, h;
    bool operator==(const WindowRect& o) const {
        return x == o.x && y == o.y && w == o.w && h == o.h;
    }
};
std::ostream& operator<<(std::ostream& out, const WindowRect& g);

WindowRect serverGeometry(Fl_Window& window);
// The minimum and maximum size hints the window gave the window manager (0 when unset).
WindowRect sizeHints(Fl_Window& window);
// The title the X server holds for the window.
std::string serverTitle(Fl_Window& window);
// Width and height of the first icon the window offers the window manager; 0 for none.
WindowRect serverIconSize(Fl_Window& window);

// Shows the window and serves events until the server has mapped it.
void showAndSettle(Fl_Window& window);
// Sends the window a key press as FLTK delivers one from the server.
int pressKey(Fl_Window& window, int key);
