// Before the X headers, whose macros (None, Bool) clash with its names.
#include <gtest/gtest.h>

#include "FltAppSupport.h"
#include "FltEventLoop.h"

#include <FL/Fl.H>
#include <FL/x.H>

#include <algorithm>
#include <string>

namespace {

class AppGeometryTest : public ::testing::Test {
protected:
    TempHome home;

    bool storeHolds(const WindowRect& g) const {
        const std::string text = "\n" + home.storeText(testVendor, testApp);
        auto has = [&](const char* key, int value) {
            return text.find("\n" + std::string(key) + ":" + std::to_string(value) + "\n") !=
                   std::string::npos;
        };
        return text.find("\n[./posize]\n") != std::string::npos && has("x", g.x) && has("y", g.y) &&
               has("w", g.w) && has("h", g.h);
    }
    // A store holding `g` under "posize", as an earlier run left it.
    void storeGeometry(const WindowRect& g) {
        Fl_Preferences store(Fl_Preferences::USER, testVendor, testApp);
        Fl_Preferences geometry(store, "posize");
        geometry.set("x", g.x);
        geometry.set("y", g.y);
        geometry.set("w", g.w);
        geometry.set("h", g.h);
    }
};

TEST_F(AppGeometryTest, FirstStartUsesTheDefaultsAndLaterStartsRestoreExactly) {
    const WindowRect initial{200, 100, 900, 627}, moved{321, 234, 1000, 700};
    {
        Flt_AppSetup setup = playerSetup();
        CountingApp app(setup);
        EXPECT_EQ((WindowRect{app.x(), app.y(), app.w(), app.h()}), initial);
        EXPECT_EQ((WindowRect{setup.x, setup.y, setup.w, setup.h}), initial);
        showAndSettle(app);
        EXPECT_EQ(serverGeometry(app), initial);
        EXPECT_EQ(serverTitle(app), "Veltrano V1.4");
        EXPECT_EQ(sizeHints(app), (WindowRect{900, 627, 0, 0})); // a minimum, no maximum
        EXPECT_EQ(serverIconSize(app), (WindowRect{0, 0, 32, 32}));
        // As a user would move it: through the server, which tells FLTK.
        XMoveResizeWindow(fl_display, fl_xid(&app), moved.x, moved.y, moved.w, moved.h);
        ASSERT_TRUE(loopUntil([&] {
            return WindowRect{app.x(), app.y(), app.w(), app.h()} == moved;
        }));
        app.hide();
    }
    ASSERT_TRUE(storeHolds(moved));
    Flt_AppSetup setup = playerSetup();
    {
        CountingApp app(setup);
        showAndSettle(app);
        EXPECT_EQ(serverGeometry(app), moved);
        app.hide();
    }
    EXPECT_EQ((WindowRect{setup.x, setup.y, setup.w, setup.h}), moved);
    EXPECT_TRUE(storeHolds(moved)); // a restart that moves nothing writes the same
}

TEST_F(AppGeometryTest, StoredSizeIsRaisedToTheMinimumAndPositionBelowOneIgnored) {
    storeGeometry({150, 160, 400, 900});
    {
        Flt_AppSetup setup = playerSetup();
        CountingApp app(setup);
        showAndSettle(app);
        EXPECT_EQ(serverGeometry(app), (WindowRect{150, 160, 900, 900}));
        EXPECT_EQ(setup.w, 900);
        app.hide();
    }
    EXPECT_TRUE(storeHolds({150, 160, 900, 900}));

    for (const WindowRect stored : {WindowRect{0, 50, -5, 0}, WindowRect{300, -4, 950, 650}}) {
        SCOPED_TRACE(::testing::PrintToString(stored));
        storeGeometry(stored);
        Flt_AppSetup setup = playerSetup();
        CountingApp app(setup);
        EXPECT_FALSE(app.positionForced()); // left to the toolkit's placement
        EXPECT_EQ(setup.x, 200);            // the record keeps its defaults
        EXPECT_EQ(setup.y, 100);
        EXPECT_EQ(app.w(), std::max(stored.w, 900)); // the size is restored all the same
        EXPECT_EQ(app.h(), std::max(stored.h, 627));
    }
}

TEST_F(AppGeometryTest, FixedRecordReadsNoSizeSetsNoRangeAndStillWritesAllKeys) {
    storeGeometry({300, 200, 1000, 800});
    Flt_AppSetup setup = Flt_AppSetup::fixed(640, 480);
    setup.vendor = testVendor;
    setup.appName = testApp;
    {
        CountingApp app(setup);
        EXPECT_STREQ(app.label(), "DemoWin");
        showAndSettle(app);
        EXPECT_EQ(serverGeometry(app), (WindowRect{300, 200, 640, 480}));
        // Without a size range FLTK pins a window that has no resizable child.
        EXPECT_EQ(sizeHints(app), (WindowRect{640, 480, 640, 480}));
        app.hide();
    }
    EXPECT_EQ((WindowRect{setup.x, setup.y, setup.w, setup.h}), (WindowRect{300, 200, 640, 480}));
    EXPECT_TRUE(storeHolds({300, 200, 640, 480}));
}

} // namespace
