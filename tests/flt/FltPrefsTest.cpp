#include "FltTempHome.h"
#include "Flt_Prefs.h"

#include <FL/Fl_Box.H>
#include <gtest/gtest.h>

#include <climits>

namespace {

using Texts = std::vector<std::string>;
using Ints = std::vector<int>;

const char* const vendor = "nvxtest";
const char* const app = "Prefs";

// Each store object reads the file at its start; the root writes it at its end.
TEST(PrefsTest, WhatIsSetIsInTheFileAndComesBackInAnotherStore) {
    TempHome home;
    // "\xc3\xa9" is a UTF-8 e acute.
    const Texts files = {"/m/a.mid", "/m/b c.mid", "/m/\xc3\xa9t\xc3\xa9.mid", "/m/d", "/m/e"};
    const Ints levels = {5, -3, 0, INT_MAX, INT_MIN};
    const std::string longText(5000, 'q'); // longer than any fixed buffer
    {
        Fl_Preferences store(Fl_Preferences::USER, vendor, app);
        Flt_Prefs(store).setStringArray("Files", files);
        Flt_Prefs(store).setIntArray("Level", levels);
        Flt_Prefs(store).saveGeometry("main", Fl_Box(11, 22, 333, 444));
        Flt_Prefs(store).saveGeometry("bad", Fl_Box(0, 90, -20, 50));
        store.set("Negative", -1);
        store.set("Long", longText.c_str());
    }
    const std::string text = home.storeText(vendor, app);
    for (const char* line : {"\nFiles1:/m/b c.mid\n", "\nLevel1:-3\n", "\nmainH:444\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    Fl_Preferences store(Fl_Preferences::USER, vendor, app);
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

    EXPECT_EQ(prefs.getInt("Negative", 3), 3);
    EXPECT_EQ(prefs.getInt("Missing", 7), 7);
    std::string value = "untouched";
    EXPECT_FALSE(Flt_Prefs::getString(store, "Missing", value));
    EXPECT_EQ(value, "untouched");
    EXPECT_TRUE(Flt_Prefs::getString(store, "Long", value, "fallback"));
    EXPECT_EQ(value, longText);
    EXPECT_FALSE(Flt_Prefs::getString(store, "Missing", value, "fallback"));
    EXPECT_EQ(value, "fallback");
    EXPECT_FALSE(Flt_Prefs::getString(store, "Missing", value, nullptr));
    EXPECT_EQ(value, "");

    // A size is applied when both are positive, a position when both are non-zero.
    Fl_Box sizeOnly(1, 2, 3, 4), whole(1, 2, 3, 4), untouched(5, 6, 7, 8);
    prefs.loadGeometry("main", sizeOnly, false);
    prefs.loadGeometry("main", whole, true);
    prefs.loadGeometry("none", untouched, true);
    prefs.loadGeometry("bad", untouched, true);
    auto geometry = [](const Fl_Box& b) { return Ints{b.x(), b.y(), b.w(), b.h()}; };
    EXPECT_EQ(geometry(sizeOnly), (Ints{1, 2, 333, 444}));
    EXPECT_EQ(geometry(whole), (Ints{11, 22, 333, 444}));
    EXPECT_EQ(geometry(untouched), (Ints{5, 6, 7, 8}));

    // Lists take the lowest free index; only a change made by updateList is written at once.
    Fl_Preferences names(store, "workNames");
    Flt_Prefs list(names);
    list.addToList("first");
    list.addToList(nullptr);
    EXPECT_FALSE(list.updateList("second", 9)); // codes count by their sign
    const std::string written = home.storeText(vendor, app);
    EXPECT_NE(written.find("\nArray1:second\n"), std::string::npos);
    list.addToList("third");
    EXPECT_TRUE(list.updateList("second", Flt_Prefs::listLookUp));
    EXPECT_FALSE(list.updateList("absent", Flt_Prefs::listLookUp));
    EXPECT_FALSE(list.updateList(nullptr, Flt_Prefs::listAdd));
    EXPECT_EQ(home.storeText(vendor, app), written);
    EXPECT_TRUE(list.updateList("first", -5));
    EXPECT_EQ(list.findInList(nullptr), "");
    list.addToList("fourth");
    EXPECT_EQ(list.findInList("fourth"), "Array0");
}

} // namespace
