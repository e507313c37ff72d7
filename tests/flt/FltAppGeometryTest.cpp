// Before the X headers, whose macros (None, Bool) clash with its names.
#include <gtest/gtest.h>

#include "FltAppSupport.h"
#include "FltEventLoop.h"

#include <FL/Fl.H>
#include <FL/x.H>

#include <memory>
#include <string>

namespace {

class AppGeometryTest : public ::testing::Test {
protected:
    TempHome home;

    std::string storeText() const { return home.storeText(testVendor, testApp); }
    bool storeHasLine(const std::string& line) const {
        return ("\n" + storeText()).find("\n" + line + "\n") != std::string::npos;
    }
    bool storeHolds(const WindowRect& g) const {
        return storeHasLine("x:" + std::to_string(g.x)) &&
               storeHasLine("y:" + std::to_string(g.y)) &&
               storeHasLine("w:" + std::to_string(g.w)) && storeHasLine("h:" + std::to_string(g.h));
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

TEST_F(AppGeometryTest, FirstStartOpensAtTheDefaultPositionAtTheMinimumSize) {
    Flt_AppSetup setup = playerSetup();
    {
        CountingApp app(setup);
        const WindowRect expected{200, 100, 900, 627};
        EXPECT_EQ(widgetGeometry(app), expected);
        EXPECT_EQ(setup.x, 200);
        EXPECT_EQ(setup.y, 100);
        EXPECT_EQ(setup.w, 900);
        EXPECT_EQ(setup.h, 627);
        EXPECT_EQ(app.title(), "Veltrano V1.4");

        showAndSettle(app);
        EXPECT_EQ(serverGeometry(app), expected);
        EXPECT_EQ(serverTitle(app), "Veltrano V1.4");
        EXPECT_EQ(sizeHints(app), (WindowRect{900, 627, 0, 0})); // a minimum, no maximum
        EXPECT_EQ(serverIconSize(app), (WindowRect{0, 0, 32, 32}));
        app.hide();
    }
    EXPECT_TRUE(storeHasLine("[./posize]"));
    EXPECT_TRUE(storeHolds({200, 100, 900, 627}));
}

TEST_F(AppGeometryTest, GeometryIsRestoredExactlyOverThreeRestarts) {
    const WindowRect moved{321, 234, 1000, 700};
    {
        Flt_AppSetup setup = playerSetup();
        CountingApp app(setup);
        showAndSettle(app);
        // As a user would move it: through the server, which tells FLTK.
        XMoveResizeWindow(fl_display, fl_xid(&app), moved.x, moved.y, moved.w, moved.h);
        ASSERT_TRUE(loopUntil([&] { return widgetGeometry(app) == moved; }));
        app.hide();
    }
    ASSERT_TRUE(storeHolds(moved));
    for (int restart = 1; restart <= 3; ++restart) {
        SCOPED_TRACE("restart " + std::to_string(restart));
        Flt_AppSetup setup = playerSetup();
        {
            CountingApp app(setup);
            EXPECT_EQ(widgetGeometry(app), moved);
            showAndSettle(app);
            EXPECT_EQ(serverGeometry(app), moved);
            app.hide();
        }
        EXPECT_EQ((WindowRect{setup.x, setup.y, setup.w, setup.h}), moved);
        EXPECT_TRUE(storeHolds(moved));
    }
}

TEST_F(AppGeometryTest, StoredSizeBelowTheMinimumIsRaisedBeforeShowing) {
    storeGeometry({150, 160, 400, 900});
    Flt_AppSetup setup = playerSetup();
    {
        CountingApp app(setup);
        EXPECT_EQ(widgetGeometry(app), (WindowRect{150, 160, 900, 900}));
        showAndSettle(app);
        EXPECT_EQ(serverGeometry(app), (WindowRect{150, 160, 900, 900}));
        app.hide();
    }
    EXPECT_EQ(setup.w, 900);
    EXPECT_EQ(setup.h, 900);
    EXPECT_TRUE(storeHolds({150, 160, 900, 900}));

    storeGeometry({150, 160, -5, 0}); // nonsense sizes end at the minimum too
    Flt_AppSetup again = playerSetup();
    CountingApp app(again);
    EXPECT_EQ(widgetGeometry(app), (WindowRect{150, 160, 900, 627}));
}

TEST_F(AppGeometryTest, StoredPositionWithACoordinateBelowOneIsIgnored) {
    for (const WindowRect stored : {WindowRect{0, 50, 950, 650}, WindowRect{300, -4, 950, 650}}) {
        SCOPED_TRACE(::testing::PrintToString(stored));
        storeGeometry(stored);
        Flt_AppSetup setup = playerSetup();
        CountingApp app(setup);
        EXPECT_FALSE(app.positionForced()); // left to the toolkit's placement
        EXPECT_FALSE(app.x() == stored.x && app.y() == stored.y);
        EXPECT_EQ(setup.x, 200); // the record keeps its defaults
        EXPECT_EQ(setup.y, 100);
        EXPECT_EQ(app.w(), 950); // the size is restored all the same
        EXPECT_EQ(app.h(), 650);
    }
}

TEST_F(AppGeometryTest, FixedRecordReadsNoSizeSetsNoRangeAndStillWritesAllKeys) {
    storeGeometry({300, 200, 1000, 800});
    Flt_AppSetup setup = Flt_AppSetup::fixed(640, 480);
    setup.vendor = testVendor;
    setup.appName = testApp;
    {
        CountingApp app(setup);
        EXPECT_EQ(widgetGeometry(app), (WindowRect{300, 200, 640, 480}));
        EXPECT_EQ(app.title(), "DemoWin");
        showAndSettle(app);
        EXPECT_EQ(serverGeometry(app), (WindowRect{300, 200, 640, 480}));
        // Without a size range FLTK pins a window that has no resizable child.
        EXPECT_EQ(sizeHints(app), (WindowRect{640, 480, 640, 480}));
        app.hide();
    }
    EXPECT_EQ(setup.w, 640);
    EXPECT_EQ(setup.h, 480);
    EXPECT_EQ(setup.x, 300);
    EXPECT_TRUE(storeHolds({300, 200, 640, 480}));
}

} // namespace
