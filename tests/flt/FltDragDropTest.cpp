#include "FltEventLoop.h"
#include "Flt_DragDrop.h"
#include "Flt_Font.h"
#include "Flt_UriList.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <unistd.h>

namespace {

using Names = std::vector<std::string>;
using Drops = std::vector<Names>;

// A widget that takes drops the way the player's playlist does, and keeps every drop.
class DropBox : public Fl_Box, public Flt_DragDrop {
public:
    DropBox() : Fl_Box(200, 0, 200, 200) {}

    Drops drops;
    std::function<void()> onDrop; // runs inside filesDropped, after the drop is kept

    int handle(int event) override { return handleDnd(event) ? 1 : Fl_Box::handle(event); }
    void filesDropped(Names& names) override {
        drops.push_back(names);
        if (onDrop)
            onDrop();
    }
    // An FL_PASTE carrying `text`, as the toolkit sends one for a drop or a paste.
    int paste(const char* text) {
        Fl::e_text = const_cast<char*>(text);
        Fl::e_length = text ? static_cast<int>(std::strlen(text)) : 0;
        return handle(FL_PASTE);
    }
};

// Never inside the paste event, where no dialog may open. Plain text is split at line feeds
// as it stands; a URI list gives plain paths.
TEST(DragDropTest, PastesArriveInOrderOnTheNextWaitSplitOrReadAsAUriList) {
    const std::pair<const char*, Names> rows[] = {
        {" /a.mid\r\n\n/b%20c.mid\n", {" /a.mid\r", "", "/b%20c.mid", ""}},
        {"#comment\nfile:///a.mid\nhttps://x.org/b.mid", {"/a.mid", "https://x.org/b.mid"}},
        {"", {}},
        {nullptr, {}}};
    DropBox box;
    Drops expected;
    for (const auto& [text, names] : rows) {
        EXPECT_EQ(box.paste(text), 1);
        expected.push_back(names);
    }
    EXPECT_TRUE(box.drops.empty());
    Fl::wait(0);
    EXPECT_EQ(box.drops, expected);
    box.acceptDrops = false; // the drag is refused, so no drop follows
    EXPECT_EQ(box.handle(FL_DND_ENTER), 0);

    // Nor is a receiver called once it is gone.
    {
        DropBox doomed;
        doomed.onDrop = [] { ADD_FAILURE() << "destroyed receiver called"; };
        doomed.paste("/a.mid");
    }
    Fl::wait(0.05);
}

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
