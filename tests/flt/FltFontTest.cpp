#include "Flt_Font.h"

#include <FL/Enumerations.H>
#include <FL/Fl.H>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const int builtInFonts = 16;

TEST(FindFontTest, FindsEnumeratedFontsByNamePrefixAndExactAttributes) {
    EXPECT_EQ(findFont(nullptr, false, false), -1);
    EXPECT_EQ(findFont("", true, false), -1);
    EXPECT_EQ(findFont("No Such Font Family Anywhere", false, false), -1);

    const int count = Fl::set_fonts(nullptr);
    ASSERT_GE(count, builtInFonts);
    int checked = 0;
    for (int index = 0; index < count; ++index) {
        int attributes = 0;
        const char* name = Fl::get_font_name(static_cast<Fl_Font>(index), &attributes);
        if (!name || !*name || (attributes & ~(FL_BOLD | FL_ITALIC)))
            continue;
        SCOPED_TRACE(std::string(name) + " #" + std::to_string(index));
        const int found = findFont(name, attributes & FL_BOLD, attributes & FL_ITALIC);
        ASSERT_GE(found, 0);
        EXPECT_LE(found, index); // the first match wins
        int foundAttributes = 0;
        const char* foundName = Fl::get_font_name(static_cast<Fl_Font>(found), &foundAttributes);
        EXPECT_EQ(foundAttributes, attributes);
        EXPECT_EQ(std::strncmp(foundName, name, std::strlen(name)), 0);
        ++checked;
    }
    EXPECT_GE(checked, 1);

    // A prefix finds a font whose name begins with it.
    int attributes = 0;
    const std::string first = Fl::get_font_name(FL_HELVETICA, &attributes);
    const std::string prefix = first.substr(0, 2);
    const int found = findFont(prefix.c_str(), attributes & FL_BOLD, attributes & FL_ITALIC);
    ASSERT_GE(found, 0);
    EXPECT_EQ(std::string(Fl::get_font_name(static_cast<Fl_Font>(found))).rfind(prefix, 0), 0u);
}

} // namespace
