// Before the X headers, whose macros (None, Bool) clash with its names.
#include <gtest/gtest.h>

#include "FltAppSupport.h"
#include "FltEventLoop.h"

#include <FL/Fl.H>
#include <FL/x.H>

#include <X11/Xlib.h>

#include <string>

namespace {

// A second client of the X server, as a window manager would be: it sends the close
// request and watches for the iconify request that FLTK sends to the root window.
class Observer {
public:
    Observer() : display(XOpenDisplay(nullptr)) {
        if (!display)
            return;
        XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
        XSync(display, False);
    }
    ~Observer() {
        if (display)
            XCloseDisplay(display);
    }
    bool ok() const { return display != nullptr; }

    void sendCloseRequest(Window window) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, window, False, NoEventMask, &event);
        XFlush(display);
    }

    // Whether an iconify request for `window` has arrived so far.
    bool sawIconifyRequest(Window window) {
        const Atom changeState = XInternAtom(display, "WM_CHANGE_STATE", False);
        XSync(display, False);
        for (XEvent event; XPending(display);) {
            XNextEvent(display, &event);
            iconified =
                iconified || (event.type == ClientMessage && event.xclient.window == window &&
                              event.xclient.message_type == changeState &&
                              event.xclient.data.l[0] == IconicState);
        }
        return iconified;
    }

private:
    Display* display;
    bool iconified = false;
};

class AppEventsTest : public ::testing::Test {
protected:
    TempHome home;
    Flt_AppSetup setup = playerSetup();

    bool storeHas(const char* text) const {
        return home.storeText(testVendor, testApp).find(text) != std::string::npos;
    }
};

TEST_F(AppEventsTest, TitleIsAStemWithOneChangeableSuffix) {
    setup.title = "";
    CountingApp app(setup);
    EXPECT_STREQ(app.label(), "Veltrano");
    EXPECT_STREQ(setup.title, "Veltrano");

    app.setTitle("Veltrano V1.4");
    app.setTitleSuffix(" - first.mid");
    app.setTitleSuffix(" - second.mid");
    showAndSettle(app);
    EXPECT_EQ(serverTitle(app), "Veltrano V1.4 - second.mid");
    app.setTitleSuffix(nullptr);
    loopFor(0.1);
    EXPECT_EQ(serverTitle(app), "Veltrano V1.4");
    app.setTitle(nullptr);
    app.setTitleSuffix("alone");
    EXPECT_STREQ(app.label(), "alone");
    app.hide();

    Flt_AppSetup untitled = playerSetup();
    untitled.title = nullptr;
    CountingApp other(untitled);
    EXPECT_STREQ(other.label(), "Veltrano");
}

// FLTK delivers Escape as a key press while the window holds the focus, and as a shortcut
// while nothing does (as before any window manager gave it the focus).
TEST_F(AppEventsTest, EscapeClosesAsksOrIsSwallowedByMode) {
    for (bool focused : {false, true}) {
        SCOPED_TRACE(focused ? "focused" : "no focus");
        Observer observer;
        ASSERT_TRUE(observer.ok());
        CountingApp app(setup);
        showAndSettle(app);
        Fl::focus(focused ? &app : nullptr);

        app.agreeToClose = false; // mode 0, refused: stays open
        EXPECT_EQ(pressKey(app, FL_Escape), 1);
        EXPECT_EQ(app.closes, 1);

        app.setEscapeMode(Flt_App::escapeIgnored); // nothing, not even FLTK's own close
        EXPECT_EQ(pressKey(app, FL_Escape), 1);
        app.setEscapeMode(7);
        EXPECT_EQ(pressKey(app, FL_Escape), 1);
        loopFor(0.2);
        EXPECT_EQ(app.closes, 1);
        EXPECT_TRUE(app.shown());
        EXPECT_FALSE(observer.sawIconifyRequest(fl_xid(&app)));

        app.setEscapeMode(Flt_App::escapeIconizes);
        EXPECT_EQ(pressKey(app, FL_Escape), 1);
        EXPECT_TRUE(loopUntil([&] { return observer.sawIconifyRequest(fl_xid(&app)); }, 10));
        EXPECT_EQ(app.closes, 1);

        app.setEscapeMode(Flt_App::escapeCloses);
        app.agreeToClose = true;
        EXPECT_EQ(pressKey(app, FL_Escape), 1);
        EXPECT_EQ(app.closes, 2);
        EXPECT_FALSE(app.shown());
    }
}

TEST_F(AppEventsTest, CloseBoxAsksOnCloseAndHidesOnlyIfItAgrees) {
    Observer observer;
    ASSERT_TRUE(observer.ok());
    CountingApp app(setup);
    showAndSettle(app);
    app.agreeToClose = false;
    observer.sendCloseRequest(fl_xid(&app));
    ASSERT_TRUE(loopUntil([&] { return app.closes == 1; }));
    EXPECT_TRUE(app.shown());

    app.agreeToClose = true;
    observer.sendCloseRequest(fl_xid(&app));
    ASSERT_TRUE(loopUntil([&] { return !app.shown(); }));
    EXPECT_EQ(app.closes, 2);
}

void hideWindow(void* window) {
    static_cast<Fl_Window*>(window)->hide();
}

TEST_F(AppEventsTest, RunShowsCallsOnStartOnceAndEndsWhenTheWindowHides) {
    CountingApp app(setup);
    char program[] = "veltrano", argument[] = "--ignored";
    char* argv[] = {program, argument, nullptr};
    Fl::add_timeout(0.3, &hideWindow, &app);
    EXPECT_EQ(app.run(2, argv), 0);
    EXPECT_EQ(app.starts, 1);
    EXPECT_TRUE(app.shownAtStart);
    EXPECT_EQ(app.closes, 0); // hiding by code asks nobody
}

TEST_F(AppEventsTest, WorkNamesAreClaimedSharedAndReleasedOnce) {
    {
        Fl_Preferences store(Fl_Preferences::USER, testVendor, testApp);
        Fl_Preferences(store, "workNames").set("Array0", "left.mid"); // by an ended run
    }
    {
        CountingApp first(setup);
        EXPECT_FALSE(first.claimWorkName(nullptr));
        EXPECT_FALSE(first.claimWorkName(""));
        EXPECT_TRUE(first.claimWorkName("left.mid"));

        EXPECT_FALSE(first.claimWorkName("score.mid"));
        EXPECT_TRUE(first.claimWorkName("score.mid"));
        EXPECT_TRUE(storeHas("[./workNames]") && storeHas("Array1:score.mid"));
        {
            Flt_AppSetup secondSetup = playerSetup();
            CountingApp second(secondSetup);
            EXPECT_TRUE(second.claimWorkName("score.mid")); // held by the first
        }
        EXPECT_TRUE(storeHas("Array1:score.mid")); // the second left the entry alone

        EXPECT_FALSE(first.claimWorkName("b.mid")); // gives up score.mid
        EXPECT_FALSE(storeHas("score.mid"));
        EXPECT_TRUE(storeHas("Array1:b.mid"));
    }
    EXPECT_FALSE(storeHas("b.mid"));
    EXPECT_TRUE(storeHas("Array0:left.mid"));
}

} // namespace
