#include "FltTempHome.h"
#include "Flt_App.h"

#include <FL/Fl.H>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Rect = std::vector<int>;

const char* const vendor = "nvxtest";
const char* const appName = "Veltrano";

// An application that counts close questions and lets the test set the answer.
class CountingApp : public Flt_App {
public:
    explicit CountingApp(Flt_AppSetup& setup) : Flt_App(setup) { end(); }
    int closes = 0;
    bool agreeToClose = true;
    void setEscapeMode(int mode) { escapeMode = mode; }
    Rect geometry() const { return {x(), y(), w(), h()}; }

protected:
    bool onClose() override {
        ++closes;
        return agreeToClose;
    }
};

class AppTest : public ::testing::Test {
protected:
    TempHome home;
    Flt_AppSetup setup = record(Flt_AppSetup::sizable(900, 627), "Veltrano V1.4");

    static Flt_AppSetup record(Flt_AppSetup base, const char* title) {
        base.title = title;
        base.vendor = vendor;
        base.appName = appName;
        return base;
    }
    bool storeHas(const std::string& line) const {
        return ("\n" + home.storeText(vendor, appName)).find("\n" + line + "\n") !=
               std::string::npos;
    }
};

TEST_F(AppTest, GeometryIsStoredAtCloseAndRestoredExactlyOrKeptInBounds) {
    EXPECT_EQ(CountingApp(setup).geometry(), (Rect{200, 100, 900, 627})); // the defaults
    // Each row: where the user left the window in the run before, whether the record has a
    // minimum size (900 x 627), its title, and where the window opens; at (0, 0) the toolkit
    // places it.
    const struct {
        Rect left;
        bool sizable;
        const char* title;
        Rect opened;
    } rows[] = {{{321, 234, 1000, 700}, true, "Veltrano V1.4", {321, 234, 1000, 700}},
                {{150, -4, 400, 900}, true, "", {0, 0, 900, 900}},
                {{0, 50, -5, 0}, true, nullptr, {0, 0, 900, 627}},
                {{300, 200, 1000, 800}, false, "Veltrano V1.4", {300, 200, 640, 480}}};
    for (const auto& row : rows) {
        CountingApp(setup).resize(row.left[0], row.left[1], row.left[2], row.left[3]);
        EXPECT_TRUE(storeHas("x:" + std::to_string(row.left[0])));
        Flt_AppSetup rowSetup =
            record(row.sizable ? setup : Flt_AppSetup::fixed(640, 480), row.title);
        CountingApp app(rowSetup);
        EXPECT_EQ(app.geometry(), row.opened);
        EXPECT_STREQ(app.label(), row.title && *row.title ? row.title : appName);
    }
}

// A key press while the window holds the focus; a shortcut while nothing does.
TEST_F(AppTest, EscapeAndTheCloseBoxAskOnCloseOrIconizeOrAreSwallowedByMode) {
    CountingApp app(setup);
    app.show();
    app.agreeToClose = false;
    Fl::e_keysym = FL_Escape;
    EXPECT_EQ(app.handle(FL_KEYDOWN), 1);
    app.do_callback(); // the close box
    app.setEscapeMode(Flt_App::escapeIconizes);
    EXPECT_EQ(app.handle(FL_KEYDOWN), 1);
    app.setEscapeMode(7); // like escapeIgnored: nothing, not even FLTK's own close
    EXPECT_EQ(app.handle(FL_SHORTCUT), 1);
    EXPECT_TRUE(app.shown() && app.closes == 2);
    app.agreeToClose = true;
    app.do_callback();
    EXPECT_FALSE(app.shown());
    app.show();
    app.setEscapeMode(Flt_App::escapeCloses);
    EXPECT_EQ(app.handle(FL_SHORTCUT), 1);
    EXPECT_FALSE(app.shown());
    EXPECT_EQ(app.closes, 4);
}

TEST_F(AppTest, WorkNamesAreClaimedSharedAndReleasedOnce) {
    {
        Fl_Preferences store(Fl_Preferences::USER, vendor, appName);
        Fl_Preferences(store, "workNames").set("Array0", "left.mid"); // by an ended run
    }
    {
        CountingApp first(setup);
        EXPECT_FALSE(first.claimWorkName(nullptr) || first.claimWorkName(""));
        EXPECT_TRUE(first.claimWorkName("left.mid"));
        EXPECT_FALSE(first.claimWorkName("score.mid"));
        EXPECT_TRUE(first.claimWorkName("score.mid"));
        {
            CountingApp second(setup);
            EXPECT_TRUE(second.claimWorkName("score.mid")); // held by the first
        }
        EXPECT_TRUE(storeHas("Array1:score.mid"));  // on disk at once; the second left it
        EXPECT_FALSE(first.claimWorkName("b.mid")); // gives up score.mid
        EXPECT_FALSE(storeHas("Array1:score.mid"));
        EXPECT_TRUE(storeHas("Array1:b.mid"));
    }
    EXPECT_FALSE(storeHas("Array1:b.mid"));
    EXPECT_TRUE(storeHas("Array0:left.mid"));
}

} // namespace
