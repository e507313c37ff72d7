#include "Flt_Font.h"

#include <FL/Enumerations.H>
#include <FL/Fl.H>

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(FindFontTest, FindsTheFirstEnumeratedFontByNamePrefixAndExactAttributes) {
    EXPECT_EQ(findFont(nullptr, false, false), -1);
    EXPECT_EQ(findFont("", true, false), -1);
    EXPECT_EQ(findFont("No Such Font Family Anywhere", false, false), -1);

    int checked = 0;
    for (int index = 0, count = Fl::set_fonts(nullptr); index < count; ++index) {
        int attributes = 0;
        const char* name = Fl::get_font_name(Fl_Font(index), &attributes);
        if (!name || !*name || (attributes & ~(FL_BOLD | FL_ITALIC)))
            continue;
        // A prefix of the name finds this font or an earlier one of the same attributes.
        const std::string prefix = std::string(name).substr(0, 2 + index % 3);
        SCOPED_TRACE(prefix + " #" + std::to_string(index));
        const int found = findFont(prefix.c_str(), attributes & FL_BOLD, attributes & FL_ITALIC);
        ASSERT_GE(found, 0);
        EXPECT_LE(found, index);
        int foundAttributes = 0;
        EXPECT_EQ(std::string(Fl::get_font_name(Fl_Font(found), &foundAttributes)).rfind(prefix, 0),
                  0u);
        EXPECT_EQ(foundAttributes, attributes);
        ++checked;
    }
    EXPECT_GE(checked, 16); // at least FLTK's own fonts
}

} // namespace
