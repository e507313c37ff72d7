#include "FltTempHome.h"
#include "Flt_Prefs.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Preferences.H>

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;
using Ints = std::vector<int>;

const char* const vendor = "nvxtest";
const char* const app = "Prefs";

class PrefsTest : public ::testing::Test {
protected:
    TempHome home;

    static std::unique_ptr<Fl_Preferences> openStore() {
        return std::make_unique<Fl_Preferences>(Fl_Preferences::USER, vendor, app);
    }
    bool fileHas(const std::string& text) const {
        return ("\n" + home.storeText(vendor, app)).find(text) != std::string::npos;
    }
    bool fileHasLine(const std::string& line) const { return fileHas("\n" + line + "\n"); }
};

TEST_F(PrefsTest, ArraysShrinkFromFiveToThreeAndEndAtTheFirstGap) {
    // "\xc3\xa9" is a UTF-8 e acute.
    const Texts five = {"/m/a.mid", "/m/b c.mid", "/m/\xc3\xa9t\xc3\xa9.mid", "/m/d", "/m/e"};
    const Ints levels = {5, -3, 0, INT_MAX, INT_MIN};
    {
        auto store = openStore();
        Flt_Prefs(*store).setStringArray("Files", five);
        Flt_Prefs(*store).setIntArray("Level", levels);
    }
    {
        auto store = openStore();
        Flt_Prefs prefs(*store);
        EXPECT_EQ(prefs.getStringArray("Files"), five);
        EXPECT_EQ(prefs.getIntArray("Level"), levels);
        prefs.setStringArray("Files", {"/n/x", "/n/y", "/n/z"});
        prefs.setIntArray("Level", {7, 8, 9});
    }
    auto store = openStore();
    Flt_Prefs prefs(*store);
    EXPECT_EQ(prefs.getStringArray("Files"), (Texts{"/n/x", "/n/y", "/n/z"}));
    EXPECT_EQ(prefs.getIntArray("Level"), (Ints{7, 8, 9}));
    EXPECT_TRUE(fileHasLine("Files2:/n/z") && fileHasLine("Level0:7"));
    EXPECT_FALSE(fileHas("Files3") || fileHas("Files4") || fileHas("Level3"));
    EXPECT_EQ(store->entries(), 6);

    store->set("Files4", "behind a gap");
    prefs.setStringArray("Files", {"only"});
    EXPECT_EQ(prefs.getStringArray("Files"), Texts{"only"});
    EXPECT_EQ(prefs.getStringArray("Nothing"), Texts());
    store->flush();
    EXPECT_FALSE(fileHas("Files1"));
    EXPECT_TRUE(fileHasLine("Files4:behind a gap"));
}

TEST_F(PrefsTest, ScalarsFallBackToTheirDefaults) {
    {
        auto store = openStore();
        store->set("Negative", -1);
        store->set("Zero", 0);
        store->set("Empty", "");
        store->set("Name", "two words\tand a tab");
    }
    auto store = openStore();
    EXPECT_EQ(Flt_Prefs(*store).getInt("Negative", 3), 3);
    EXPECT_EQ(Flt_Prefs(*store).getInt("Missing", 7), 7);
    EXPECT_EQ(Flt_Prefs(*store).getInt("Zero", 7), 0);

    std::string value = "untouched";
    EXPECT_FALSE(Flt_Prefs::getString(*store, "Missing", value));
    EXPECT_EQ(value, "untouched");
    EXPECT_TRUE(Flt_Prefs::getString(*store, "Empty", value));
    EXPECT_EQ(value, "");
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

TEST_F(PrefsTest, ListsReuseTheLowestFreeIndexAndUpdateListFlushesOnlyChanges) {
    auto store = openStore();
    Fl_Preferences names(*store, "workNames");
    Flt_Prefs list(names);
    EXPECT_FALSE(list.updateList("first", Flt_Prefs::listAdd));
    EXPECT_FALSE(list.updateList(std::string("second"), Flt_Prefs::listAdd));
    EXPECT_TRUE(fileHasLine("Array1:second")); // flushed while the store is still open
    const std::string written = home.storeText(vendor, app);
    EXPECT_TRUE(list.updateList("second", Flt_Prefs::listAdd)); // present: nothing to add
    EXPECT_TRUE(list.updateList("second", Flt_Prefs::listLookUp));
    EXPECT_FALSE(list.updateList("absent", Flt_Prefs::listLookUp));
    EXPECT_FALSE(list.updateList("absent", Flt_Prefs::listRemove));
    EXPECT_FALSE(list.updateList(nullptr, Flt_Prefs::listAdd));
    EXPECT_EQ(home.storeText(vendor, app), written);

    EXPECT_TRUE(list.updateList("first", -5)); // codes count by their sign
    EXPECT_FALSE(fileHas("first"));
    EXPECT_FALSE(list.updateList("third", 9));
    EXPECT_EQ(list.findInList("third"), "Array0");
    EXPECT_TRUE(fileHasLine("Array0:third"));
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

TEST_F(PrefsTest, GeometryIsRestoredWherePresentAndSound) {
    {
        auto store = openStore();
        Flt_Prefs(*store).saveGeometry("main", Fl_Box(11, 22, 333, 444));
        store->set("badW", -20);
        store->set("badH", 50);
        store->set("badX", 0);
        store->set("badY", 90);
    }
    EXPECT_TRUE(fileHasLine("mainX:11") && fileHasLine("mainH:444"));
    auto store = openStore();
    Flt_Prefs prefs(*store);
    Fl_Box sizeOnly(1, 2, 3, 4), whole(1, 2, 3, 4), untouched(5, 6, 7, 8);
    prefs.loadGeometry("main", sizeOnly, false);
    prefs.loadGeometry("main", whole, true);
    prefs.loadGeometry("none", untouched, true);
    prefs.loadGeometry("bad", untouched, true);
    auto geometry = [](const Fl_Box& b) { return Ints{b.x(), b.y(), b.w(), b.h()}; };
    EXPECT_EQ(geometry(sizeOnly), (Ints{1, 2, 333, 444}));
    EXPECT_EQ(geometry(whole), (Ints{11, 22, 333, 444}));
    EXPECT_EQ(geometry(untouched), (Ints{5, 6, 7, 8}));
}

} // namespace
