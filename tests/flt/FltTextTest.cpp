#include "Flt_Files.h"
#include "Flt_Font.h"
#include "Flt_UriList.h"

#include <FL/Fl.H>
#include <gtest/gtest.h>

#include <climits>
#include <unistd.h>

namespace {

using Names = std::vector<std::string>;

Names read(const std::string& text) {
    Names names = {"stale"};
    if (!readUriList(text.c_str(), names))
        names.insert(names.begin(), "not a list");
    return names;
}

// Local file URIs become decoded paths; the others, and those whose escapes are malformed or
// NUL, stay as they are; an escaped percent sign is decoded once. The closing line end gives no
// empty name.
TEST(UriListTest, FileUrisBecomePlainPathsOnePerNameOtherTextIsNoList) {
    char host[HOST_NAME_MAX + 1] = {};
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    // "%C3%A9" and "\xC3\xA9" are a UTF-8 e acute; escapes are read in either case.
    EXPECT_EQ(
        read("FILE://LocalHost/a.mid\r\n\r\n# comment\r\nfile:/b.mid\nfile://" + std::string(host) +
             "/Caf%C3%A9%20%c3%a9.mid\r\nfile:///left as is\nfile:///100%2541%0A\n"
             "file:///"),
        (Names{"/a.mid", "/b.mid", "/Caf\xC3\xA9 \xC3\xA9.mid", "/left as is", "/100%41\n", "/"}));
    const Names kept = {"http://example.com/a.mid", "file://music.example.invalid/a.mid",
                        "file://localhost",         "file:relative.mid",
                        "file:///a%4z.mid",         "file:///a%",
                        "file:///a.mid%00.txt",     "file:///a%%41"};
    std::string list;
    for (const std::string& uri : kept)
        list += uri + "\r\n";
    EXPECT_EQ(read(list), kept);

    for (const char* text :
         {"# a comment alone\r\n", "file:///a.mid\n/home/u/b.mid", "Note: hello world",
          "C:\\songs\\a.mid", "file:///a.mid\x01", "1a:b", "a_b:c", "file:///a.mid\x7f"})
        EXPECT_EQ(read(text), (Names{"not a list", "stale"})) << text;
}

// What the player reaches through its playlist is left to its own tests.
TEST(FilesTest, NullIsMissingAndABareNameHasNoFolder) {
    EXPECT_EQ(fileKind(static_cast<const char*>(nullptr)), fileKindMissing);
    EXPECT_EQ(fileKind("/"), fileKindFolder);
    std::string folder;
    EXPECT_EQ(splitFolder("song.mid", &folder), "");
    EXPECT_EQ(folder, "song.mid");
}

TEST(FontTest, FindsTheFirstEnumeratedFontByNamePrefixAndExactAttributes) {
    for (const char* name : {static_cast<const char*>(nullptr), "", "No Such Font Anywhere"})
        EXPECT_EQ(findFont(name, false, false), -1);
    Fl::set_fonts(nullptr);
    // FLTK's own fonts come first, each face plain, bold, italic, then bold italic.
    for (Fl_Font face : {FL_HELVETICA, FL_COURIER, FL_TIMES}) {
        const std::string prefix = std::string(Fl::get_font_name(face)).substr(0, 3);
        EXPECT_EQ(findFont(prefix.c_str(), false, false), face) << prefix;
        EXPECT_EQ(findFont(prefix.c_str(), true, true), face + FL_BOLD + FL_ITALIC) << prefix;
    }
}

} // namespace
