#pragma once

// The start-up record of an Flt_App. The constructor writes back what it applied: the
// position and size it restored, and the title when it was empty.
struct Flt_AppSetup {
    int w; // window size; with a minimum size the stored size takes its place
    int h;
    int x; // position when none is stored
    int y;
    int minW; // both at least 1: resizable down to this size, and the size is restored
    int minH;
    const char* title;  // null or empty: appName
    const char* vendor; // the preferences store's identity
    const char* appName;
    bool console; // keep the standard streams attached to a console (here: as inherited)
    bool border;  // false gives a borderless window

    static Flt_AppSetup sizable(int minW, int minH) {
        return {500, 400, 200, 100, minW, minH, "DemoWin", "Nolvane", "DemoApp", false, true};
    }
    static Flt_AppSetup fixed(int w, int h) {
        return {w, h, 200, 100, 0, 0, "DemoWin", "Nolvane", "DemoApp", false, true};
    }
};
