#include "FltEventLoop.h"
#include "FltTempHome.h"
#include "Flt_App.h"
#include "Flt_Prefs.h"
#include "Flt_SingleInstance.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <filesystem>
#include <sys/stat.h>
#include <thread>

namespace {

using Ints = std::vector<int>;
using Texts = std::vector<std::string>;

const char* const vendor = "nvxtest";
const char* const appName = "Veltrano";

// The window as an application opens it: a group closed before anything else is made.
class PlainApp : public Flt_App {
public:
    explicit PlainApp(Flt_AppSetup& setup) : Flt_App(setup) { end(); }
};

// Every test has a HOME of its own, so the store starts empty.
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
    Ints geometryOf(const Fl_Widget& item) { return {item.x(), item.y(), item.w(), item.h()}; }
    bool storeHas(const std::string& line) const { return home.storeHas(vendor, appName, line); }
};

TEST_F(AppTest, GeometryIsStoredAtCloseAndRestoredExactlyOrKeptInBounds) {
    // A store that is a link (a dotfile manager's) stays one: the file it names is written.
    const std::string store = home.file(".fltk/" + std::string(vendor) + "/Veltrano.prefs");
    std::filesystem::create_directories(home.file(".fltk/") + vendor);
    std::filesystem::create_symlink(home.file("dotfiles.prefs"), store);
    EXPECT_EQ(geometryOf(PlainApp(setup)), (Ints{200, 100, 900, 627})); // the defaults
    // Each row: where the user left the window in the run before, whether the record has a
    // minimum size (900 x 627), its title, and where the window opens; at (0, 0) the toolkit
    // places it.
    const std::tuple<Ints, bool, const char*, Ints> rows[] = {
        {{321, 234, 1000, 700}, true, "Veltrano V1.4", {321, 234, 1000, 700}},
        {{150, -4, 400, 900}, true, "", {0, 0, 900, 900}},
        {{0, 50, -5, 0}, true, nullptr, {0, 0, 900, 627}},
        {{300, 200, 1000, 800}, false, "Veltrano V1.4", {300, 200, 640, 480}}};
    for (const auto& [left, sizable, title, opened] : rows) {
        PlainApp(setup).resize(left[0], left[1], left[2], left[3]);
        EXPECT_TRUE(storeHas("x:" + std::to_string(left[0])));
        Flt_AppSetup rowSetup = record(sizable ? setup : Flt_AppSetup::fixed(640, 480), title);
        PlainApp app(rowSetup);
        EXPECT_EQ(geometryOf(app), opened);
        EXPECT_STREQ(app.label(), title && *title ? title : appName);
    }
    EXPECT_TRUE(std::filesystem::is_symlink(store));
    // A pipe in its place neither holds the start up nor is replaced.
    std::filesystem::remove(store);
    ASSERT_EQ(mkfifo(store.c_str(), 0600), 0);
    PlainApp(setup).resize(1, 2, 3, 4);
    EXPECT_TRUE(std::filesystem::is_fifo(store));
}

TEST_F(AppTest, WorkNamesAreClaimedSharedAndReleasedOnce) {
    {
        Fl_Preferences store(Fl_Preferences::USER, vendor, appName);
        Fl_Preferences(store, "workNames").set("Array0", "left.mid"); // by an ended run
    }
    {
        PlainApp first(setup);
        EXPECT_FALSE(first.claimWorkName(nullptr) || first.claimWorkName(""));
        EXPECT_TRUE(first.claimWorkName("left.mid"));
        EXPECT_FALSE(first.claimWorkName("score.mid"));
        EXPECT_TRUE(first.claimWorkName("score.mid"));
        {
            PlainApp second(setup);
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

// Each store object reads the file at its start; the root writes it at its end.
TEST_F(AppTest, PrefsSetAreInTheFileAndComeBackInAnotherStore) {
    // "\xc3\xa9" is a UTF-8 e acute.
    const Texts files = {"/m/a.mid", "/m/b c.mid", "/m/\xc3\xa9t\xc3\xa9.mid", "/m/d", "/m/e"};
    const Ints levels = {5, -3, 0, INT_MAX, INT_MIN};
    const std::string longText(5000, 'q'); // longer than any fixed buffer
    {
        Fl_Preferences store(Fl_Preferences::USER, vendor, appName);
        Flt_Prefs(store).setStringArray("Files", files);
        Flt_Prefs(store).setIntArray("Level", levels);
        Flt_Prefs(store).saveGeometry("main", Fl_Box(11, 22, 333, 444));
        Flt_Prefs(store).saveGeometry("bad", Fl_Box(0, 90, -20, 50));
        store.set("Negative", -1);
        store.set("Long", longText.c_str());
    }
    for (const char* line : {"Files1:/m/b c.mid", "Level1:-3", "mainH:444"})
        EXPECT_TRUE(storeHas(line)) << line;
    Fl_Preferences store(Fl_Preferences::USER, vendor, appName);
    Flt_Prefs prefs(store);
    EXPECT_EQ(prefs.getStringArray("Files"), files);
    EXPECT_EQ(prefs.getIntArray("Level"), levels);
    // A shorter array removes the keys behind its end, up to the first gap.
    store.set("Files6", "behind a gap");
    prefs.setStringArray("Files", {"/n/x"});
    prefs.setIntArray("Level", {7});
    EXPECT_EQ(prefs.getStringArray("Files"), Texts{"/n/x"});
    EXPECT_EQ(prefs.getIntArray("Level"), Ints{7});
    EXPECT_TRUE(store.entryExists("Files6") && !store.entryExists("Files1"));

    EXPECT_EQ(prefs.getInt("Negative", 3), 3); // no stored count or index is below zero
    std::string value;
    EXPECT_TRUE(Flt_Prefs::getString(store, "Long", value, "fallback"));
    EXPECT_EQ(value, longText);
    EXPECT_FALSE(Flt_Prefs::getString(store, "Missing", value, nullptr));
    EXPECT_EQ(value, "");

    // A size is applied when both are positive, a position when both are non-zero.
    Fl_Box sizeOnly(1, 2, 3, 4), whole(1, 2, 3, 4), untouched(5, 6, 7, 8);
    prefs.loadGeometry("main", sizeOnly, false);
    prefs.loadGeometry("main", whole, true);
    prefs.loadGeometry("none", untouched, true);
    prefs.loadGeometry("bad", untouched, true);
    EXPECT_EQ(geometryOf(sizeOnly), (Ints{1, 2, 333, 444}));
    EXPECT_EQ(geometryOf(whole), (Ints{11, 22, 333, 444}));
    EXPECT_EQ(geometryOf(untouched), (Ints{5, 6, 7, 8}));
}

// The socket lives only in a folder of this user's alone: where others may write, a second
// start could be handed someone else's files, so no instance is claimed there.
TEST(SingleInstanceTest, ClaimsOnlyInAPrivateFolder) {
    TempDir runtime;
    setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    std::string reason;
    for (const mode_t mode : {0770, 0707, 0700}) {
        chmod(runtime.path().c_str(), mode);
        EXPECT_EQ(Flt_SingleInstance("flt-test").claim({}, reason),
                  mode == 0700 ? Flt_SingleInstance::claimFirst
                               : Flt_SingleInstance::claimUnavailable)
            << std::oct << mode;
    }
    // Once the first stops listening, as it ends, a later start is not told it took the paths;
    // one still waiting when the first has ended becomes the first.
    auto first = std::make_unique<Flt_SingleInstance>("flt-test");
    ASSERT_EQ(first->claim({}, reason), Flt_SingleInstance::claimFirst);
    // A list past the longest command line arrives whole; one longer than the first reads (by
    // less than a socket holds, so that its send would end well) is refused, not said to be
    // handed over and then dropped.
    size_t received = 0;
    first->listen([&](const Texts& paths) { received += paths.size(); });
    std::atomic<int> handed[2] = {0, 0};
    std::thread starts([&] {
        for (const int row : {0, 1})
            handed[row] = Flt_SingleInstance("flt-test")
                              .claim(Texts(row ? 168272 : 30000, std::string(99, 'm')), reason);
    });
    loopUntil([&] { return handed[1] != 0 && received != 0; }, 10);
    starts.join();
    EXPECT_EQ(handed[0], Flt_SingleInstance::claimHandedOver);
    EXPECT_EQ(handed[1], Flt_SingleInstance::claimNoAnswer);
    EXPECT_EQ(received, 30000u);
    first->listen(nullptr);
    EXPECT_EQ(Flt_SingleInstance("flt-test").claim({"/a.mid"}, reason),
              Flt_SingleInstance::claimNoAnswer);
    std::thread ending([&first] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        first.reset();
    });
    EXPECT_EQ(Flt_SingleInstance("flt-test").claim({"/a.mid"}, reason),
              Flt_SingleInstance::claimFirst);
    ending.join();
    unsetenv("XDG_RUNTIME_DIR"); // the folder goes with the test
}

} // namespace
