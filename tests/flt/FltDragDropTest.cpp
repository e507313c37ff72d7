#include "Flt_DragDrop.h"

#include "FltXdndSource.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Window.H>
#include <FL/fl_ask.H>
#include <gtest/gtest.h>

// After gtest: X11's macros (None, Bool) clash with its names.
#include <FL/x.H>

#include <cstring>
#include <functional>

namespace {

using Names = std::vector<std::string>;
using Drops = std::vector<Names>;

// A widget that takes drops the way the player's playlist does, and keeps every drop.
class DropBox : public Fl_Box, public Flt_DragDrop {
public:
    DropBox(int x, int y, int w, int h) : Fl_Box(x, y, w, h) {}

    Drops drops;
    bool calledInsideEvent = false;
    std::function<void()> onDrop; // runs inside filesDropped, after the drop is kept

    int handle(int event) override {
        insideEvent = true;
        const int used = handleDnd(event);
        insideEvent = false;
        return used ? 1 : Fl_Box::handle(event);
    }
    void filesDropped(Names& names) override {
        calledInsideEvent = calledInsideEvent || insideEvent;
        drops.push_back(names);
        if (onDrop)
            onDrop();
    }

private:
    bool insideEvent = false;
};

class DragDropTest : public ::testing::Test {
protected:
    Fl_Window window{100, 100, 400, 200};
    DropBox* box = new DropBox(200, 0, 200, 200);

    void SetUp() override {
        window.end();
        window.show();
        for (int i = 0; i < 10; ++i)
            Fl::wait(0.02);
    }
    // An FL_PASTE carrying `text`, as the toolkit sends one for a drop or a paste.
    static int paste(DropBox& target, const char* text) {
        Fl::e_text = const_cast<char*>(text);
        Fl::e_length = text ? static_cast<int>(std::strlen(text)) : 0;
        return target.handle(FL_PASTE);
    }
};

// Plain text is split at line feeds as it stands; a URI list gives plain paths.
TEST_F(DragDropTest, PastesArriveInOrderOnTheNextWaitSplitOrReadAsAUriList) {
    const std::pair<const char*, Names> rows[] = {
        {"/a.mid\n/b.mid\n", {"/a.mid", "/b.mid", ""}},
        {"/a.mid\n\n/b.mid", {"/a.mid", "", "/b.mid"}},
        {" /a.mid\r\n/b%20c.mid ", {" /a.mid\r", "/b%20c.mid "}},
        {"Note: some text\n", {"Note: some text", ""}},
        {"#comment\nfile:///a.mid\nhttps://example.com/b.mid",
         {"/a.mid", "https://example.com/b.mid"}},
        {"", {}},
        {nullptr, {}}};
    Drops expected;
    for (const auto& [text, names] : rows) {
        EXPECT_EQ(paste(*box, text), 1);
        expected.push_back(names);
    }
    EXPECT_TRUE(box->drops.empty());
    Fl::wait(0);
    EXPECT_EQ(box->drops, expected);
    EXPECT_FALSE(box->calledInsideEvent);

    // Nor is a receiver called once it is gone.
    auto* doomed = new DropBox(0, 0, 10, 10);
    doomed->onDrop = [] { ADD_FAILURE() << "destroyed receiver called"; };
    paste(*doomed, "/a.mid");
    delete doomed;
    Fl::wait(0.05);
}

TEST_F(DragDropTest, ReceiverMayOpenAMessageBoxWhileMoreDropsArrive) {
    int boxesOpen = 0, mostOpen = 0;
    box->onDrop = [&] {
        if (box->drops.size() > 1)
            return;
        // While the box is up, a second drop comes in, then the box is closed.
        Fl::add_timeout(
            0.05, [](void* target) { paste(*static_cast<DropBox*>(target), "/b.mid"); }, box);
        Fl::add_timeout(0.3, [](void*) {
            if (Fl_Window* open = Fl::modal())
                open->hide();
        });
        mostOpen = std::max(mostOpen, ++boxesOpen);
        fl_message("Skipped non-file %s", box->drops.back().front().c_str());
        --boxesOpen;
    };
    paste(*box, "/a.mid");
    for (int i = 0; i < 30; ++i)
        Fl::wait(0.02);
    EXPECT_EQ(box->drops, (Drops{{"/a.mid"}, {"/b.mid"}}));
    EXPECT_EQ(mostOpen, 1);
}

// As a file manager drops files: another X client offers the file URI list.
TEST_F(DragDropTest, FileManagerDropOfAUriListGivesPlainPaths) {
    // "%C3%A9" is a UTF-8 e acute; a host of "localhost" names this machine.
    const std::string list =
        "file:///home/u/My%20Song.mid\r\nfile://localhost/home/u/%C3%A9.mid\r\n"
        "file:///tmp/100%2541%0Aline.mid\r\n";
    XdndSource fileManager;
    for (bool accepting : {true, false}) {
        box->acceptDrops = accepting;
        EXPECT_EQ(fileManager.drop(fl_xid(&window), 400, 200, list), accepting);
        Fl::wait(0.05);
        // The refused drag adds none.
        EXPECT_EQ(box->drops, (Drops{{"/home/u/My Song.mid", "/home/u/\xC3\xA9.mid",
                                      "/tmp/100%41\nline.mid"}}));
    }
    EXPECT_FALSE(box->calledInsideEvent);
}

} // namespace
