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

using Ids = std::vector<int>;

constexpr int WindowX = 100, WindowY = 100, BarHeight = 25;
constexpr int ItemHeight = 20; // rows of a popup menu at FLTK's default text size

std::string screenX(int offset) {
    return std::to_string(WindowX + offset);
}
std::string screenY(int offset) {
    return std::to_string(WindowY + offset);
}

// A shown window holding the menu bar, and every id the bar reported.
class MenubarTest : public ::testing::Test {
protected:
    Fl_Window window{WindowX, WindowY, 400, 300};
    Flt_Menubar* bar = new Flt_Menubar;
    Ids chosen;

    void SetUp() override {
        window.end();
        window.add(bar);
        bar->resize(0, 0, 400, BarHeight);
        window.show();
        for (int i = 0; i < 10; ++i)
            Fl::wait(0.02);
    }
    void TearDown() override { window.hide(); }

    void record() {
        bar->setCallback([this](int id) { chosen.push_back(id); });
    }
    const Fl_Menu_Item* item(const char* path) { return bar->find_item(path); }
    // As a click does: FLTK toggles or sets the item, then calls its callback.
    void choose(const char* path) {
        ASSERT_NE(item(path), nullptr) << path;
        bar->picked(item(path));
    }
    bool checked(const char* path) { return item(path)->value() != 0; }
};

// Clicks the menu title at `titleX` in the bar, then the `row`-th entry of its popup. A menu
// still open after that (an inactive entry) is closed by a click outside the window.
// One xdotool run: while the menu is open, its own loop serves the events.
void clickEntry(int titleX, int row) {
    runXdotool({"mousemove",
                screenX(titleX),
                screenY(BarHeight / 2),
                "click",
                "1",
                "sleep",
                "0.3",
                "mousemove",
                screenX(titleX + 15),
                screenY(BarHeight + ItemHeight / 2 + 2 + row * ItemHeight),
                "sleep",
                "0.1",
                "click",
                "1",
                "sleep",
                "0.2",
                "mousemove",
                "10",
                "10",
                "click",
                "1"});
}

TEST_F(MenubarTest, RealClicksAndShortcutsReachTheCallback) {
    bar->add("File/Open", 1, 0, 0);
    bar->add("File/Save", 2, 0, 0);
    bar->add("File/Exit", 3, FL_CTRL + 'q', 0);
    bar->add("Settings/Continuous play", 4, 0, FL_MENU_TOGGLE);
    record();

    clickEntry(15, 1);
    EXPECT_EQ(chosen, Ids{2});
    // Keys go where the focus is; --sync waits until the server has moved it.
    runXdotool({"mousemove", screenX(200), screenY(150), "windowfocus", "--sync",
                std::to_string(fl_xid(&window)), "key", "ctrl+q", "mousemove", "10", "10"});
    EXPECT_EQ(chosen, (Ids{2, 3}));
    clickEntry(60, 0);
    EXPECT_EQ(chosen, (Ids{2, 3, 4}));
    EXPECT_TRUE(bar->value(4));

    bar->setActive(1, false); // an inactive entry cannot be chosen
    clickEntry(15, 0);
    EXPECT_EQ(chosen, (Ids{2, 3, 4}));
    bar->setActive(1, true);
    clickEntry(15, 0);
    EXPECT_EQ(chosen, (Ids{2, 3, 4, 1}));
}

TEST_F(MenubarTest, EachChoiceCallsOnceWithItsIdOnceACallbackIsSet) {
    bar->add("File/Open", 1, 0, 0);
    bar->add("File/Play", 5, 0, FL_MENU_TOGGLE);
    bar->add("Edit/Play", 5, 0, FL_MENU_TOGGLE);
    bar->add("Settings/Continuous play", 2, 0, FL_MENU_TOGGLE);
    choose("File/Open");
    choose("Settings/Continuous play");
    EXPECT_TRUE(bar->value(2)); // no callback yet: FLTK still toggles it

    record();
    choose("File/Open");
    choose("Edit/Play");
    choose("File");
    choose("File/Open");
    EXPECT_EQ(chosen, (Ids{1, 5, 1})); // a submenu title carries no id

    // With several entries of one id, the setters act on the first.
    bar->setValue(5, false);
    bar->setActive(5, false);
    EXPECT_TRUE(checked("Edit/Play"));
    EXPECT_FALSE(item("File/Play")->active());
    EXPECT_TRUE(item("Edit/Play")->active());

    // Ids survive the growth of the item array; a repeated path keeps the later id.
    for (int port = 0; port < 100; ++port)
        bar->add(("Ports/Port " + std::to_string(port)).c_str(), 100 + port, 0, FL_MENU_RADIO);
    bar->add("Ports/Port 99", 99, 0, FL_MENU_RADIO);
    EXPECT_TRUE(bar->value(2));
    bar->setValue(150, true);
    EXPECT_TRUE(checked("Ports/Port 50"));
    choose("Ports/Port 99");
    EXPECT_EQ(chosen, (Ids{1, 5, 1, 99}));
    EXPECT_FALSE(checked("Ports/Port 50"));
}

TEST_F(MenubarTest, RadioGroupHasOneChoiceAndReportsNoValue) {
    // At the very start of the item array, where a walk back to the group's start ends.
    const char* pauses[] = {"1 sec", "2 sec", "3 sec"};
    for (int i = 0; i < 3; ++i)
        bar->add(pauses[i], 11 + i, 0, FL_MENU_RADIO);
    bar->add("File/Exit", 1, 0, 0);
    record();

    bar->setValue(12, true);
    bar->setValue(11, true);
    EXPECT_TRUE(checked(pauses[0]));
    EXPECT_FALSE(checked(pauses[1]));
    for (int id = 11; id <= 13; ++id)
        EXPECT_FALSE(bar->value(id)) << id;

    choose(pauses[2]);
    EXPECT_EQ(chosen, Ids{13});
    EXPECT_FALSE(checked(pauses[0]));
    EXPECT_TRUE(checked(pauses[2]));
    bar->setValue(13, false); // clearing touches only the entry itself
    EXPECT_FALSE(checked(pauses[0]) || checked(pauses[1]) || checked(pauses[2]));
}

TEST_F(MenubarTest, TogglesReportTheStateTheUserLeftAndUnknownIdsChangeNothing) {
    bar->add("File/Open", 1, 0, 0);
    bar->add("Settings/Continuous play", 20, 0, FL_MENU_TOGGLE);
    bar->add("Settings/Check Deleika26 compatibility", 21, 0, FL_MENU_TOGGLE | FL_MENU_VALUE);
    std::vector<bool> seen;
    bar->setCallback([&](int id) { seen.push_back(bar->value(id)); });
    choose("Settings/Continuous play");
    choose("Settings/Continuous play");
    choose("Settings/Check Deleika26 compatibility");
    EXPECT_EQ(seen, (std::vector<bool>{true, false, false}));
    bar->setValue(20, true);
    EXPECT_TRUE(checked("Settings/Continuous play"));
    EXPECT_TRUE(bar->value(20));

    auto flags = [&] {
        std::vector<int> all;
        for (int i = 0; i < bar->size(); ++i)
            all.push_back(bar->menu()[i].flags);
        return all;
    };
    const std::vector<int> before = flags();
    bar->setValue(99, true);
    bar->setActive(99, false);
    EXPECT_FALSE(bar->value(99));
    EXPECT_EQ(flags(), before);
    bar->setValue(1, true); // only toggle entries report a value
    EXPECT_FALSE(bar->value(1));
}

} // namespace
