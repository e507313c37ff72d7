#include "Flt_Menubar.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Ids = std::vector<int>;

TEST(MenubarTest, EntriesAreChosenMarkedAndDisabledByTheirIds) {
    Flt_Menubar bar;
    auto checked = [&](const char* path) { return bar.find_item(path)->value() != 0; };
    auto choose = [&](const char* path) { bar.picked(bar.find_item(path)); };
    // At the very start of the item array, where a walk back to the group's start ends.
    const char* pauses[] = {"1 sec", "2 sec", "3 sec"};
    for (int i = 0; i < 3; ++i)
        bar.add(pauses[i], 11 + i, 0, FL_MENU_RADIO);
    bar.add("File/Open", 1, 0, 0);
    bar.add("Settings/Continuous play", 2, 0, FL_MENU_TOGGLE);
    choose("File/Open"); // no callback yet: reports nothing
    Ids chosen;
    bar.setCallback([&](int id) { chosen.push_back(id); });

    bar.setValue(12, true);
    bar.setValue(11, true);
    EXPECT_TRUE(checked(pauses[0]) && !checked(pauses[1]));
    EXPECT_FALSE(bar.value(11)); // only toggle entries report a value
    choose(pauses[2]);
    EXPECT_TRUE(!checked(pauses[0]) && checked(pauses[2]));
    bar.setValue(13, false); // clearing touches only the entry itself
    EXPECT_FALSE(checked(pauses[0]) || checked(pauses[1]) || checked(pauses[2]));

    bar.setValue(99, true); // unknown ids change nothing
    bar.setActive(99, false);
    EXPECT_FALSE(bar.value(99));
    bar.setActive(1, false);
    EXPECT_FALSE(bar.find_item("File/Open")->active());
    bar.setActive(1, true);
    EXPECT_TRUE(bar.find_item("File/Open")->active());

    // Ids survive the growth of the item array; a repeated path keeps the later id.
    for (int port = 0; port < 100; ++port)
        bar.add(("Ports/Port " + std::to_string(port)).c_str(), 100 + port, 0, FL_MENU_RADIO);
    bar.add("Ports/Port 99", 99, 0, FL_MENU_RADIO);
    bar.setValue(2, true);
    EXPECT_TRUE(bar.value(2));
    bar.setValue(150, true);
    EXPECT_TRUE(checked("Ports/Port 50"));
    choose("Ports/Port 99");
    EXPECT_FALSE(checked("Ports/Port 50"));
    EXPECT_EQ(chosen, (Ids{13, 99}));
}

} // namespace
