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
    int startArgc = -1;
    std::string startFirstArg;
    bool shownAtStart = false;

    void setEscapeMode(int mode) { escapeMode = mode; }
    std::string title() const { return label() ? label() : ""; }
    bool holdsWorkName() const { return ownsWorkName; }
    bool positionForced() const { return force_position() != 0; }

protected:
    void onStart(int argc, char** argv) override;
    bool onClose() override;
};

// Geometry as the X server has it: position on the root window, and size.
struct WindowRect {
    int x, y, w, h;
};
bool operator==(const WindowRect& a, const WindowRect& b);
std::ostream& operator<<(std::ostream& out, const WindowRect& g);

WindowRect serverGeometry(Fl_Window& window);
// The widget's own idea of its geometry, for comparison.
WindowRect widgetGeometry(const Fl_Window& window);
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
