#include "Flt_Menubar.h"

#include "FltXdotool.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <gtest/gtest.h>

// After gtest: X11's macros (None, Bool) clash with its names.
#include <FL/x.H>

#include <string>
#include <vector>

namespace {

constexpr int WindowX = 100, WindowY = 100, BarHeight = 25;
constexpr int ItemHeight = 20; // rows of a popup menu at FLTK's default text size

// A shown window holding the menu bar, and every id the bar reported.
class MenubarTest : public ::testing::Test {
protected:
    Fl_Window window{WindowX, WindowY, 400, 300};
    Flt_Menubar* bar = new Flt_Menubar;
    std::vector<int> chosen;

    void SetUp() override {
        window.end();
        window.add(bar);
        bar->resize(0, 0, 400, BarHeight);
        window.show();
        pump(10);
    }
    void TearDown() override { window.hide(); }

    void record() {
        bar->setCallback([this](int id) { chosen.push_back(id); });
    }
    static void pump(int rounds) {
        for (int i = 0; i < rounds; ++i)
            Fl::wait(0.02);
    }
    const Fl_Menu_Item* item(const char* path) { return bar->find_item(path); }
    // As a click does: FLTK toggles or sets the item, then calls its callback.
    void choose(const char* path) {
        const Fl_Menu_Item* found = item(path);
        ASSERT_NE(found, nullptr) << path;
        bar->picked(found);
    }
    bool checked(const char* path) { return item(path)->value() != 0; }
};

std::string screen(int windowOffset, int origin) {
    return std::to_string(origin + windowOffset);
}

// Clicks the menu title at `titleX` in the bar, then the `row`-th entry of its popup. A menu
// still open after that (an inactive entry) is closed by a click outside the window.
void clickEntry(int titleX, int row) {
    std::string titleLeft = screen(titleX, WindowX), titleTop = screen(BarHeight / 2, WindowY);
    std::string entryLeft = screen(titleX + 15, WindowX);
    std::string entryTop = screen(BarHeight + ItemHeight / 2 + 2 + row * ItemHeight, WindowY);
    // One run: while the menu is open, its own loop serves the events, not runXdotool's.
    std::vector<std::string> steps = {"mousemove", titleLeft, titleTop, "click",
                                      "1",         "sleep",   "0.3"};
    std::vector<std::string> entry = {"mousemove", entryLeft, entryTop, "sleep",
                                      "0.1",       "click",   "1"};
    std::vector<std::string> away = {"sleep", "0.2", "mousemove", "10", "10", "click", "1"};
    steps.insert(steps.end(), entry.begin(), entry.end());
    steps.insert(steps.end(), away.begin(), away.end());
    runXdotool(steps);
}

TEST_F(MenubarTest, EachChoiceCallsOnceWithItsId) {
    bar->add("File/Open", 1, 0, 0);
    bar->add("File/Exit", 2, FL_CTRL + 'q', 0);
    bar->add("Edit/Clear playlist", 7, 0, 0);
    record();

    choose("File/Open");
    choose("Edit/Clear playlist");
    choose("File/Open");
    choose("File/Exit");
    EXPECT_EQ(chosen, (std::vector<int>{1, 7, 1, 2}));
}

TEST_F(MenubarTest, RealClicksAndShortcutsReachTheCallback) {
    bar->add("File/Open", 1, 0, 0);
    bar->add("File/Save", 2, 0, 0);
    bar->add("File/Exit", 3, FL_CTRL + 'q', 0);
    bar->add("Settings/Continuous play", 4, 0, FL_MENU_TOGGLE);
    record();

    clickEntry(15, 1);
    EXPECT_EQ(chosen, (std::vector<int>{2}));
    // Keys go where the focus is; --sync waits until the server has moved it.
    runXdotool({"mousemove", screen(200, WindowX), screen(150, WindowY), "windowfocus", "--sync",
                std::to_string(fl_xid(&window)), "key", "ctrl+q", "mousemove", "10", "10"});
    EXPECT_EQ(chosen, (std::vector<int>{2, 3}));
    clickEntry(60, 0);
    EXPECT_EQ(chosen, (std::vector<int>{2, 3, 4}));
    EXPECT_TRUE(bar->value(4));

    // An inactive entry cannot be chosen.
    bar->setActive(1, false);
    clickEntry(15, 0);
    EXPECT_EQ(chosen, (std::vector<int>{2, 3, 4}));
    bar->setActive(1, true);
    clickEntry(15, 0);
    EXPECT_EQ(chosen, (std::vector<int>{2, 3, 4, 1}));
}

TEST_F(MenubarTest, RadioGroupHasOneChoiceAndReportsNoValue) {
    bar->add("File/Exit", 1, 0, 0);
    const char* pauses[] = {"Settings/Pause/1 sec", "Settings/Pause/2 sec", "Settings/Pause/3 sec"};
    for (int i = 0; i < 3; ++i)
        bar->add(pauses[i], 11 + i, 0, FL_MENU_RADIO);
    record();

    bar->setValue(12, true);
    EXPECT_FALSE(checked(pauses[0]));
    EXPECT_TRUE(checked(pauses[1]));
    bar->setValue(11, true);
    EXPECT_TRUE(checked(pauses[0]));
    EXPECT_FALSE(checked(pauses[1]));
    for (int id = 11; id <= 13; ++id)
        EXPECT_FALSE(bar->value(id)) << id;

    choose(pauses[2]);
    EXPECT_EQ(chosen, (std::vector<int>{13}));
    EXPECT_FALSE(checked(pauses[0]));
    EXPECT_TRUE(checked(pauses[2]));

    // Clearing touches only the entry itself.
    bar->setValue(12, true);
    bar->setValue(12, false);
    EXPECT_FALSE(checked(pauses[0]) || checked(pauses[1]) || checked(pauses[2]));
}

TEST_F(MenubarTest, RadioEntryFirstInTheArrayCanBeSet) {
    bar->add("One", 1, 0, FL_MENU_RADIO);
    bar->add("Two", 2, 0, FL_MENU_RADIO);
    bar->setValue(2, true);
    bar->setValue(1, true);
    EXPECT_TRUE(checked("One"));
    EXPECT_FALSE(checked("Two"));
}

TEST_F(MenubarTest, ToggleEntryReportsTheStateTheUserLeft) {
    bar->add("Settings/Continuous play", 20, 0, FL_MENU_TOGGLE);
    bar->add("Settings/Check Deleika26 compatibility", 21, 0, FL_MENU_TOGGLE | FL_MENU_VALUE);
    std::vector<bool> seen;
    bar->setCallback([&](int id) { seen.push_back(bar->value(id)); });

    EXPECT_FALSE(bar->value(20));
    EXPECT_TRUE(bar->value(21));
    choose("Settings/Continuous play");
    choose("Settings/Continuous play");
    choose("Settings/Check Deleika26 compatibility");
    EXPECT_EQ(seen, (std::vector<bool>{true, false, false}));

    bar->setValue(20, true);
    EXPECT_TRUE(checked("Settings/Continuous play"));
    EXPECT_TRUE(bar->value(20));
    bar->setValue(20, false);
    EXPECT_FALSE(checked("Settings/Continuous play"));
    EXPECT_FALSE(bar->value(20));
}

TEST_F(MenubarTest, UnknownIdsAndPlainEntriesChangeNothing) {
    bar->add("File/Open", 1, 0, 0);
    bar->add("Settings/Continuous play", 2, 0, FL_MENU_TOGGLE);
    std::vector<int> before;
    for (int i = 0; i < bar->size(); ++i)
        before.push_back(bar->menu()[i].flags);

    bar->setValue(99, true);
    bar->setActive(99, false);
    EXPECT_FALSE(bar->value(99));
    std::vector<int> after;
    for (int i = 0; i < bar->size(); ++i)
        after.push_back(bar->menu()[i].flags);
    EXPECT_EQ(before, after);

    // Only toggle entries report a value.
    bar->setValue(1, true);
    EXPECT_TRUE(checked("File/Open"));
    EXPECT_FALSE(bar->value(1));
}

TEST_F(MenubarTest, ChoosingBeforeACallbackIsSetDoesNothing) {
    bar->add("File/Open", 1, 0, 0);
    bar->add("Settings/Continuous play", 2, 0, FL_MENU_TOGGLE);
    choose("File/Open");
    choose("Settings/Continuous play");
    EXPECT_TRUE(bar->value(2)); // FLTK still toggles it

    record();
    choose("File/Open");
    EXPECT_EQ(chosen, (std::vector<int>{1}));
}

TEST_F(MenubarTest, SharedIdActsOnTheFirstEntryAndAllReportIt) {
    bar->add("File/Play", 5, 0, FL_MENU_TOGGLE);
    bar->add("Edit/Play", 5, 0, FL_MENU_TOGGLE);
    record();

    bar->setValue(5, true);
    EXPECT_TRUE(checked("File/Play"));
    EXPECT_FALSE(checked("Edit/Play"));
    bar->setActive(5, false);
    EXPECT_FALSE(item("File/Play")->active());
    EXPECT_TRUE(item("Edit/Play")->active());

    choose("Edit/Play");
    choose("File/Play");
    EXPECT_EQ(chosen, (std::vector<int>{5, 5}));
}

TEST_F(MenubarTest, SubmenuTitlesCarryNoId) {
    bar->add("File/Open", 1, 0, 0);
    record();
    choose("File");
    EXPECT_TRUE(chosen.empty());
}

TEST_F(MenubarTest, IdsSurviveGrowthOfTheItemArrayAndReplacedPaths) {
    bar->add("Settings/Continuous play", 1, 0, FL_MENU_TOGGLE);
    bar->setValue(1, true);
    for (int port = 0; port < 100; ++port)
        bar->add(("Ports/Port " + std::to_string(port)).c_str(), 100 + port, 0, FL_MENU_RADIO);
    bar->add("File/Open", 2, 0, 0);
    bar->add("File/Open", 3, 0, 0); // same path, same item: the later id holds
    record();

    EXPECT_TRUE(bar->value(1));
    bar->setValue(150, true);
    EXPECT_TRUE(checked("Ports/Port 50"));
    choose("Ports/Port 99");
    choose("File/Open");
    EXPECT_EQ(chosen, (std::vector<int>{199, 3}));
    EXPECT_FALSE(checked("Ports/Port 50"));
}

} // namespace
