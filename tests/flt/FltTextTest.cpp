#include "Flt_Files.h"
#include "Flt_Font.h"
#include "Flt_UriList.h"

#include <FL/Fl.H>
#include <gtest/gtest.h>

#include <climits>
#include <unistd.h>

namespace {

using Names = std::vector<std::string>;

std::string pathOf(const std::string& uri) {
    std::string path = "untouched";
    return fileUriToPath(uri, path) ? path : "refused:" + path;
}

TEST(FileUriToPath, LocalFileUrisBecomeDecodedPathsOthersAreRefused) {
    char host[HOST_NAME_MAX + 1] = {};
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    // "%C3%A9" and "\xC3\xA9" are a UTF-8 e acute; escapes are read in either case.
    const std::pair<std::string, std::string> rows[] = {
        {"FILE://LocalHost/tmp/a.mid", "/tmp/a.mid"},
        {"file:/tmp/a.mid", "/tmp/a.mid"},
        {std::string("file://") + host + "/tmp/a.mid", "/tmp/a.mid"},
        {"file:///home/u/Caf%C3%A9%20%c3%a9.mid", "/home/u/Caf\xC3\xA9 \xC3\xA9.mid"},
        {"file:///tmp/left as is.mid", "/tmp/left as is.mid"},
        {"file:///", "/"}};
    for (const auto& [uri, path] : rows)
        EXPECT_EQ(pathOf(uri), path) << uri;
    for (const char* uri :
         {"http://example.com/a.mid", "file://music.example.invalid/a.mid", "file://",
          "file://localhost", "file:relative.mid", "/tmp/a.mid", "", "file:///a%4z.mid",
          "file:///a%2", "file:///a%", "file:///a.mid%00.txt", "file:///a%%41"})
        EXPECT_EQ(pathOf(uri), "refused:untouched") << uri;
}

Names read(const char* text) {
    Names names = {"stale"};
    if (!readUriList(text, names))
        names.insert(names.begin(), "not a list");
    return names;
}

// The closing line end gives no empty name; URIs that name no local file stay as they are.
TEST(ReadUriList, FileUrisBecomePlainPathsOnePerNameOtherTextIsNoList) {
    EXPECT_EQ(read("file:///a.mid\r\n\r\n# comment\r\nfile:///b%20c.mid\nfile:///d.mid"),
              (Names{"/a.mid", "/b c.mid", "/d.mid"}));
    EXPECT_EQ(read("file:///a.mid\r\nhttp://example.com/b.mid\r\nfile://far.invalid/c.mid\r\n"),
              (Names{"/a.mid", "http://example.com/b.mid", "file://far.invalid/c.mid"}));
    EXPECT_EQ(read("file:///bad%zzescape.mid\r\n"), (Names{"file:///bad%zzescape.mid"}));
    for (const char* text :
         {"", "\r\n", "/home/u/a.mid", "file:///a.mid\n/home/u/b.mid", "Note: hello world",
          "# a comment alone\n", "C:\\songs\\a.mid", "a:b c", "file:///a.mid\x01\r\n", "1a:b",
          "a_b:c", "file:///a.mid\x7f", static_cast<const char*>(nullptr)})
        EXPECT_EQ(read(text), (Names{"not a list", "stale"})) << (text ? text : "null");
}

// What the player reaches through its playlist is left to its own tests.
TEST(FilesTest, NullIsMissingAndABareNameHasNoFolder) {
    EXPECT_EQ(fileKind(static_cast<const char*>(nullptr)), fileKindMissing);
    std::string folder;
    EXPECT_EQ(splitFolder("song.mid", &folder), "");
    EXPECT_EQ(folder, "song.mid");
}

TEST(FontTest, FindsTheFirstEnumeratedFontByNamePrefixAndExactAttributes) {
    for (const char* name : {static_cast<const char*>(nullptr), "", "No Such Font Anywhere"})
        EXPECT_EQ(findFont(name, false, false), -1);
    int checked = 0;
    for (int index = 0, count = Fl::set_fonts(nullptr); index < count; ++index) {
        int attributes = 0;
        const char* name = Fl::get_font_name(Fl_Font(index), &attributes);
        if (!name || !*name || (attributes & ~(FL_BOLD | FL_ITALIC)))
            continue;
        // A prefix of the name finds this font or an earlier one of the same attributes.
        const std::string prefix = std::string(name).substr(0, 2 + index % 3);
        const int found = findFont(prefix.c_str(), attributes & FL_BOLD, attributes & FL_ITALIC);
        int foundAttributes = -1;
        const char* foundName =
            found >= 0 ? Fl::get_font_name(Fl_Font(found), &foundAttributes) : "";
        EXPECT_TRUE(found <= index && std::string(foundName).rfind(prefix, 0) == 0) << prefix;
        EXPECT_EQ(foundAttributes, attributes) << prefix;
        ++checked;
    }
    EXPECT_GE(checked, 16); // at least FLTK's own fonts
}

} // namespace
