// Before the X headers, whose macros (None, Bool) clash with its names.
#include <gtest/gtest.h>

#include "FltEventLoop.h"
#include "FltTempHome.h"
#include "Flt_App.h"

#include <FL/Fl.H>
#include <FL/x.H>

#include <string>

namespace {

const char* const vendor = "nvxtest";
const char* const appName = "Veltrano";

// An application that counts close questions and lets the test set the answer.
class CountingApp : public Flt_App {
public:
    using Flt_App::Flt_App;
    int closes = 0;
    bool agreeToClose = true;
    void setEscapeMode(int mode) { escapeMode = mode; }
    bool positionForced() const { return force_position() != 0; }

protected:
    bool onClose() override {
        ++closes;
        return agreeToClose;
    }
};

// Position on the root window and size, as the X server has them.
struct Rect {
    int x, y, w, h;
    bool operator==(const Rect& o) const { return x == o.x && y == o.y && w == o.w && h == o.h; }
};

Rect serverGeometry(Fl_Window& window) {
    XWindowAttributes attributes;
    XGetWindowAttributes(fl_display, fl_xid(&window), &attributes);
    Rect onRoot{0, 0, attributes.width, attributes.height};
    Window child;
    XTranslateCoordinates(fl_display, fl_xid(&window), RootWindow(fl_display, fl_screen), 0, 0,
                          &onRoot.x, &onRoot.y, &child);
    return onRoot;
}

// Shows the window and serves events until the server has mapped it.
void showAndSettle(Fl_Window& window) {
    window.show();
    loopUntil([&] {
        XWindowAttributes attributes;
        return XGetWindowAttributes(fl_display, fl_xid(&window), &attributes) &&
               attributes.map_state == IsViewable;
    });
    loopFor(0.1);
}

class AppTest : public ::testing::Test {
protected:
    TempHome home;
    Flt_AppSetup setup = Flt_AppSetup::sizable(900, 627);

    void SetUp() override {
        setup.title = "Veltrano V1.4";
        setup.vendor = vendor;
        setup.appName = appName;
    }
    bool storeHas(const std::string& line) const {
        return ("\n" + home.storeText(vendor, appName) + "\n").find("\n" + line + "\n") !=
               std::string::npos;
    }
    // As an earlier run leaves the store.
    void storeGeometry(const Rect& g) {
        Fl_Preferences store(Fl_Preferences::USER, vendor, appName);
        Fl_Preferences geometry(store, "posize");
        geometry.set("x", g.x);
        geometry.set("y", g.y);
        geometry.set("w", g.w);
        geometry.set("h", g.h);
    }
};

TEST_F(AppTest, GeometryIsStoredAtCloseAndRestoredExactlyThenKeptInBounds) {
    const Rect moved{321, 234, 1000, 700};
    {
        CountingApp app(setup);
        showAndSettle(app);
        EXPECT_EQ(serverGeometry(app), (Rect{200, 100, 900, 627})); // the defaults
        // As a user would move it: through the server, which tells FLTK.
        XMoveResizeWindow(fl_display, fl_xid(&app), moved.x, moved.y, moved.w, moved.h);
        ASSERT_TRUE(loopUntil([&] { return Rect{app.x(), app.y(), app.w(), app.h()} == moved; }));
    }
    EXPECT_TRUE(storeHas("x:321") && storeHas("y:234") && storeHas("w:1000") && storeHas("h:700"));

    // Each row: what is stored, whether the record has a minimum size (900 x 627), the title
    // it gives, and where the window shows; at (0, 0) the toolkit places it.
    struct Row {
        Rect stored;
        bool sizable;
        const char* title;
        Rect shown;
    };
    const Row rows[] = {{moved, true, "Veltrano V1.4", moved},
                        {{150, 160, 400, 900}, true, "", {150, 160, 900, 900}},
                        {{0, 50, -5, 0}, true, nullptr, {0, 0, 900, 627}},
                        {{300, -4, 950, 650}, true, "Veltrano V1.4", {0, 0, 950, 650}},
                        {{300, 200, 1000, 800}, false, "Veltrano V1.4", {300, 200, 640, 480}}};
    for (const Row& row : rows) {
        storeGeometry(row.stored);
        Flt_AppSetup rowSetup = row.sizable ? setup : Flt_AppSetup::fixed(640, 480);
        rowSetup.vendor = vendor;
        rowSetup.appName = appName;
        rowSetup.title = row.title;
        CountingApp app(rowSetup);
        showAndSettle(app);
        const Rect shown = serverGeometry(app);
        const bool placed = app.positionForced();
        EXPECT_EQ((Rect{placed ? shown.x : 0, placed ? shown.y : 0, shown.w, shown.h}), row.shown);
        // The record gets what was applied, and keeps its defaults for the rest.
        EXPECT_EQ((Rect{rowSetup.x, rowSetup.y, rowSetup.w, rowSetup.h}),
                  (placed ? shown : Rect{200, 100, shown.w, shown.h}));
        EXPECT_STREQ(app.label(), row.title && *row.title ? row.title : appName);
    }
}

TEST_F(AppTest, EscapeAndTheCloseBoxAskOnCloseOrIconizeOrAreSwallowedByMode) {
    Fl::e_keysym = FL_Escape;
    // A key press while the window holds the focus; a shortcut while nothing does.
    for (int event : {FL_KEYDOWN, FL_SHORTCUT}) {
        CountingApp app(setup);
        showAndSettle(app);
        app.agreeToClose = false;
        EXPECT_EQ(app.handle(event), 1);
        app.do_callback(); // the close box
        app.setEscapeMode(Flt_App::escapeIconizes);
        EXPECT_EQ(app.handle(event), 1);
        app.setEscapeMode(7); // like escapeIgnored: nothing, not even FLTK's own close
        EXPECT_EQ(app.handle(event), 1);
        EXPECT_EQ(app.closes, 2);
        EXPECT_TRUE(app.shown());
        app.agreeToClose = true;
        app.do_callback();
        EXPECT_FALSE(app.shown());
        app.show();
        app.setEscapeMode(Flt_App::escapeCloses);
        EXPECT_EQ(app.handle(event), 1);
        EXPECT_EQ(app.closes, 4);
        EXPECT_FALSE(app.shown());
    }
}

TEST_F(AppTest, WorkNamesAreClaimedSharedAndReleasedOnce) {
    {
        Fl_Preferences store(Fl_Preferences::USER, vendor, appName);
        Fl_Preferences(store, "workNames").set("Array0", "left.mid"); // by an ended run
    }
    {
        Flt_App first(setup);
        EXPECT_FALSE(first.claimWorkName(nullptr) || first.claimWorkName(""));
        EXPECT_TRUE(first.claimWorkName("left.mid"));
        EXPECT_FALSE(first.claimWorkName("score.mid"));
        EXPECT_TRUE(first.claimWorkName("score.mid"));
        {
            Flt_App second(setup);
            EXPECT_TRUE(second.claimWorkName("score.mid")); // held by the first
        }
        EXPECT_TRUE(storeHas("Array1:score.mid"));  // the second left it alone
        EXPECT_FALSE(first.claimWorkName("b.mid")); // gives up score.mid
        EXPECT_FALSE(storeHas("Array1:score.mid"));
        EXPECT_TRUE(storeHas("Array1:b.mid"));
    }
    EXPECT_FALSE(storeHas("Array1:b.mid"));
    EXPECT_TRUE(storeHas("Array0:left.mid"));
}

} // namespace
