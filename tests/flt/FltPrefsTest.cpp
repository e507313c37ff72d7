#include "FltTempHome.h"
#include "Flt_Prefs.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Preferences.H>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const char* const vendor = "nvxtest";
const char* const app = "Prefs";

class PrefsTest : public ::testing::Test {
protected:
    TempHome home;

    static std::unique_ptr<Fl_Preferences> openStore() {
        return std::make_unique<Fl_Preferences>(Fl_Preferences::USER, vendor, app);
    }
    std::string fileText() const { return home.storeText(vendor, app); }
    bool fileHasLine(const std::string& line) const {
        return ("\n" + fileText()).find("\n" + line + "\n") != std::string::npos;
    }
};

TEST_F(PrefsTest, StringArrayShrinkingFromFiveToThreeLeavesExactlyThree) {
    const std::vector<std::string> five = {"/m/a.mid", "/m/b c.mid", "/m/\xc3\xa9t\xc3\xa9.mid",
                                           "/m/d.mid", "/m/e.mid"};
    const std::vector<std::string> three = {"/n/x.mid", "/n/y.mid", "/n/z.mid"};
    {
        auto store = openStore();
        Flt_Prefs(*store).setStringArray("Files", five);
    }
    {
        auto store = openStore();
        EXPECT_EQ(Flt_Prefs(*store).getStringArray("Files"), five);
        Flt_Prefs(*store).setStringArray("Files", three);
    }
    auto store = openStore();
    EXPECT_EQ(Flt_Prefs(*store).getStringArray("Files"), three);
    EXPECT_TRUE(fileHasLine("Files2:/n/z.mid"));
    EXPECT_EQ(fileText().find("Files3"), std::string::npos);
    EXPECT_EQ(fileText().find("Files4"), std::string::npos);
    EXPECT_EQ(store->entries(), 3);
}

TEST_F(PrefsTest, ArraysEndAtTheFirstGapAndRemovalStopsThere) {
    {
        auto store = openStore();
        store->set("Files0", "a");
        store->set("Files1", "b");
        store->set("Files3", "d"); // behind a gap
        Flt_Prefs prefs(*store);
        EXPECT_EQ(prefs.getStringArray("Files"), (std::vector<std::string>{"a", "b"}));
        prefs.setStringArray("Files", {"only"});
        EXPECT_EQ(prefs.getStringArray("Files"), (std::vector<std::string>{"only"}));
        EXPECT_EQ(prefs.getStringArray("Nothing"), std::vector<std::string>());
    }
    EXPECT_TRUE(fileHasLine("Files0:only"));
    EXPECT_EQ(fileText().find("Files1"), std::string::npos);
    EXPECT_TRUE(fileHasLine("Files3:d"));
}

TEST_F(PrefsTest, IntArraysRoundTripNegativesAndShrink) {
    {
        auto store = openStore();
        Flt_Prefs(*store).setIntArray("Level", {5, -3, 0, 2147483647, -2147483647 - 1});
    }
    {
        auto store = openStore();
        Flt_Prefs prefs(*store);
        EXPECT_EQ(prefs.getIntArray("Level"),
                  (std::vector<int>{5, -3, 0, 2147483647, -2147483647 - 1}));
        prefs.setIntArray("Level", {7, 8, 9});
    }
    auto store = openStore();
    EXPECT_EQ(Flt_Prefs(*store).getIntArray("Level"), (std::vector<int>{7, 8, 9}));
    EXPECT_EQ(fileText().find("Level3"), std::string::npos);
    EXPECT_TRUE(fileHasLine("Level0:7"));
}

TEST_F(PrefsTest, GetIntTreatsNegativeAndMissingValuesAsTheDefault) {
    {
        auto store = openStore();
        store->set("Negative", -1);
        store->set("Zero", 0);
        store->set("Pause", 4);
    }
    auto store = openStore();
    Flt_Prefs prefs(*store);
    EXPECT_EQ(prefs.getInt("Negative", 0), 0);
    EXPECT_EQ(prefs.getInt("Negative", 3), 3);
    EXPECT_EQ(prefs.getInt("Missing", 7), 7);
    EXPECT_EQ(prefs.getInt("Zero", 7), 0);
    EXPECT_EQ(prefs.getInt("Pause", 1), 4);
}

TEST_F(PrefsTest, GetStringFormsReportWhetherTheKeyExisted) {
    {
        auto store = openStore();
        store->set("Empty", "");
        store->set("Name", "two words\tand a tab");
    }
    auto store = openStore();
    std::string value = "untouched";
    EXPECT_FALSE(Flt_Prefs::getString(*store, "Missing", value));
    EXPECT_EQ(value, "untouched");
    EXPECT_TRUE(Flt_Prefs::getString(*store, "Empty", value));
    EXPECT_EQ(value, "");
    EXPECT_TRUE(Flt_Prefs::getString(*store, "Name", value));
    EXPECT_EQ(value, "two words\tand a tab");

    EXPECT_FALSE(Flt_Prefs::getString(*store, "Missing", value, "fallback"));
    EXPECT_EQ(value, "fallback");
    EXPECT_FALSE(Flt_Prefs::getString(*store, "Missing", value, nullptr));
    EXPECT_EQ(value, "");
    EXPECT_TRUE(Flt_Prefs::getString(*store, "Name", value, "fallback"));
    EXPECT_EQ(value, "two words\tand a tab");

    const std::string longText(5000, 'q'); // longer than any fixed buffer
    store->set("Long", longText.c_str());
    EXPECT_TRUE(Flt_Prefs::getString(*store, "Long", value));
    EXPECT_EQ(value, longText);
}

TEST_F(PrefsTest, ListsTakeTheLowestFreeIndexAndUpdateListFlushes) {
    auto store = openStore();
    Fl_Preferences names(*store, "workNames");
    Flt_Prefs list(names);
    EXPECT_FALSE(list.updateList("first", Flt_Prefs::listAdd));
    EXPECT_FALSE(list.updateList(std::string("second"), Flt_Prefs::listAdd));
    EXPECT_EQ(list.findInList("first"), "Array0");
    EXPECT_EQ(list.findInList("second"), "Array1");
    // Flushed while the store is still open.
    EXPECT_TRUE(fileHasLine("Array1:second"));

    EXPECT_TRUE(list.updateList("first", Flt_Prefs::listRemove));
    EXPECT_EQ(fileText().find("first"), std::string::npos);
    EXPECT_FALSE(list.updateList("third", Flt_Prefs::listAdd));
    EXPECT_EQ(list.findInList("third"), "Array0");
    EXPECT_TRUE(fileHasLine("Array0:third"));
    EXPECT_EQ(list.findInList("fourth"), "");
    EXPECT_EQ(list.findInList(nullptr), "");

    list.addToList(nullptr);
    list.addToList("unflushed");
    EXPECT_EQ(list.findInList("unflushed"), "Array2");
    EXPECT_EQ(names.entries(), 3);

    // A second store object reads what the flushes wrote, and nothing more.
    auto reader = openStore();
    Fl_Preferences readNames(*reader, "workNames");
    Flt_Prefs readList(readNames);
    EXPECT_EQ(readList.findInList("third"), "Array0");
    EXPECT_EQ(readList.findInList("second"), "Array1");
    EXPECT_EQ(readList.findInList("first"), "");
    EXPECT_EQ(readList.findInList("unflushed"), "");
}

TEST_F(PrefsTest, UpdateListCodesChangeOnlyWhatTheyShould) {
    auto store = openStore();
    Fl_Preferences names(*store, "workNames");
    Flt_Prefs list(names);
    ASSERT_FALSE(list.updateList("held", Flt_Prefs::listAdd));
    const std::string written = fileText();

    EXPECT_TRUE(list.updateList("held", Flt_Prefs::listAdd)); // present: nothing to add
    EXPECT_FALSE(list.updateList("absent", Flt_Prefs::listRemove));
    EXPECT_FALSE(list.updateList("absent", Flt_Prefs::listLookUp));
    EXPECT_TRUE(list.updateList("held", Flt_Prefs::listLookUp));
    EXPECT_FALSE(list.updateList(nullptr, Flt_Prefs::listAdd));
    EXPECT_EQ(names.entries(), 1);
    EXPECT_EQ(fileText(), written);

    // Codes count by their sign.
    EXPECT_TRUE(list.updateList("held", -5));
    EXPECT_FALSE(list.updateList("other", 9));
    EXPECT_EQ(list.findInList("other"), "Array0");
    EXPECT_EQ(names.entries(), 1);
}

TEST_F(PrefsTest, GeometryIsStoredUnderThePrefixAndRestoredWherePresent) {
    {
        auto store = openStore();
        Fl_Box source(11, 22, 333, 444);
        Flt_Prefs(*store).saveGeometry("main", source);
    }
    EXPECT_TRUE(fileHasLine("mainX:11"));
    EXPECT_TRUE(fileHasLine("mainH:444"));

    auto store = openStore();
    Flt_Prefs prefs(*store);
    Fl_Box sizeOnly(1, 2, 3, 4);
    prefs.loadGeometry("main", sizeOnly, false);
    EXPECT_EQ(sizeOnly.x(), 1);
    EXPECT_EQ(sizeOnly.y(), 2);
    EXPECT_EQ(sizeOnly.w(), 333);
    EXPECT_EQ(sizeOnly.h(), 444);

    Fl_Box whole(1, 2, 3, 4);
    prefs.loadGeometry("main", whole, true);
    EXPECT_EQ(whole.x(), 11);
    EXPECT_EQ(whole.y(), 22);
    EXPECT_EQ(whole.w(), 333);

    Fl_Box untouched(5, 6, 7, 8);
    prefs.loadGeometry("none", untouched, true);
    store->set("badW", -20);
    store->set("badH", 50);
    store->set("badX", 0);
    store->set("badY", 90);
    prefs.loadGeometry("bad", untouched, true);
    EXPECT_EQ(untouched.x(), 5);
    EXPECT_EQ(untouched.y(), 6);
    EXPECT_EQ(untouched.w(), 7);
    EXPECT_EQ(untouched.h(), 8);
}

} // namespace
