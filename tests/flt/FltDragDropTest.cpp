#include "Flt_DragDrop.h"

#include "FltXdndSource.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Window.H>
#include <FL/fl_ask.H>
#include <gtest/gtest.h>

// After gtest: X11's macros (None, Bool) clash with its names.
#include <FL/x.H>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

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
        int used = handleDnd(event);
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

constexpr int WindowX = 100, WindowY = 100;

class DragDropTest : public ::testing::Test {
protected:
    Fl_Window window{WindowX, WindowY, 400, 200};
    DropBox* box = new DropBox(200, 0, 200, 200);

    void SetUp() override {
        window.end();
        window.show();
        pump(10);
    }
    void TearDown() override { window.hide(); }

    static void pump(int rounds) {
        for (int i = 0; i < rounds; ++i)
            Fl::wait(0.02);
    }
    // The drop names that a real paste of `text` (selection or clipboard) hands over.
    Names pasted(const std::string& text, int source = 0) {
        box->drops.clear();
        Fl::copy(text.data(), static_cast<int>(text.size()), source);
        Fl::paste(*box, source);
        pump(3);
        EXPECT_EQ(box->drops.size(), 1u) << text;
        return box->drops.empty() ? Names{"no drop"} : box->drops.back();
    }
    // An FL_PASTE with the event text the toolkit would set, for texts it cannot carry.
    int sendPaste(const char* text) {
        Fl::e_text = const_cast<char*>(text);
        Fl::e_length = text ? static_cast<int>(std::strlen(text)) : 0;
        return box->handle(FL_PASTE);
    }
};

// Plain text is split at line feeds as it stands; a URI list gives plain paths.
TEST_F(DragDropTest, RealPastesFollowTheSplitRulesOrReadAUriList) {
    EXPECT_EQ(pasted("/a.mid\n/b.mid\n"), (Names{"/a.mid", "/b.mid", ""}));
    EXPECT_EQ(pasted("/a.mid\n\n/b.mid"), (Names{"/a.mid", "", "/b.mid"}));
    EXPECT_EQ(pasted("/home/u/My Song.mid", 1), (Names{"/home/u/My Song.mid"}));
    EXPECT_EQ(pasted(" /a.mid\r\n/b%20c.mid "), (Names{" /a.mid\r", "/b%20c.mid "}));
    EXPECT_EQ(pasted("Note: some text\n"), (Names{"Note: some text", ""}));
    EXPECT_EQ(pasted("file:///a.mid\r\nfile://localhost/b/%C3%A9.mid\r\n", 1),
              (Names{"/a.mid", "/b/\xC3\xA9.mid"}));
    EXPECT_EQ(pasted("#comment\nfile:///a.mid\nhttps://example.com/b.mid"),
              (Names{"/a.mid", "https://example.com/b.mid"}));
}

TEST_F(DragDropTest, DragEventsAreTakenOnlyWhileAcceptingAndPastesAlways) {
    for (int event : {FL_DND_ENTER, FL_DND_DRAG, FL_DND_RELEASE})
        EXPECT_EQ(box->handleDnd(event), 1) << event;
    for (int event : {FL_DND_LEAVE, FL_PUSH, FL_RELEASE, FL_MOVE, FL_KEYDOWN, FL_NO_EVENT})
        EXPECT_EQ(box->handleDnd(event), 0) << event;
    box->acceptDrops = false;
    for (int event : {FL_DND_ENTER, FL_DND_DRAG, FL_DND_RELEASE, FL_DND_LEAVE})
        EXPECT_EQ(box->handleDnd(event), 0) << event;

    EXPECT_EQ(sendPaste(nullptr), 1);
    EXPECT_EQ(sendPaste(""), 1);
    EXPECT_EQ(sendPaste("/a.mid"), 1);
    pump(3);
    EXPECT_EQ(box->drops, (Drops{{}, {}, {"/a.mid"}})); // no text gives no names
}

TEST_F(DragDropTest, NamesArriveAfterThePasteOnTheNextWait) {
    Fl::copy("/a.mid", 6, 0);
    Fl::paste(*box, 0);
    Fl::copy("/b.mid\n/c.mid", 13, 0);
    Fl::paste(*box, 0);
    EXPECT_TRUE(box->drops.empty());
    Fl::wait(0);
    EXPECT_EQ(box->drops, (Drops{{"/a.mid"}, {"/b.mid", "/c.mid"}}));
    EXPECT_FALSE(box->calledInsideEvent);

    // Nor is a receiver called once it is gone.
    auto* doomed = new DropBox(0, 0, 10, 10);
    doomed->onDrop = [] { ADD_FAILURE() << "destroyed receiver called"; };
    window.add(doomed);
    Fl::paste(*doomed, 0);
    window.remove(doomed);
    delete doomed;
    pump(3);
}

TEST_F(DragDropTest, ReceiverMayOpenAMessageBoxWhileMoreDropsArrive) {
    int boxesOpen = 0, mostOpen = 0;
    box->onDrop = [&] {
        if (box->drops.size() > 1)
            return;
        // While the box is up, a second drop comes in, then the box is closed.
        Fl::add_timeout(
            0.05, [](void* target) { Fl::paste(*static_cast<DropBox*>(target), 0); }, box);
        Fl::add_timeout(0.3, [](void*) {
            // Hiding takes the window off the list being walked, so stop at the box.
            for (Fl_Window* open = Fl::first_window(); open; open = Fl::next_window(open))
                if (open->modal()) {
                    open->hide();
                    return;
                }
        });
        mostOpen = std::max(mostOpen, ++boxesOpen);
        fl_message("Skipped non-file %s", box->drops.back().front().c_str());
        --boxesOpen;
    };
    Fl::copy("/first.mid", 10, 0);
    Fl::paste(*box, 0);
    Fl::copy("/second.mid", 11, 0);
    pump(30);
    EXPECT_EQ(box->drops, (Drops{{"/first.mid"}, {"/second.mid"}}));
    EXPECT_EQ(mostOpen, 1);
}

// As a file manager drops files: another X client offers the file URI list.
TEST_F(DragDropTest, FileManagerDropOfAUriListGivesPlainPaths) {
    // "%C3%A9" is a UTF-8 e acute.
    const std::string list = "file:///home/u/My%20Song.mid\r\nfile:///home/u/%C3%A9.mid\r\n";
    XdndSource fileManager;
    ASSERT_TRUE(fileManager.ok());
    for (bool accepting : {true, false}) {
        box->acceptDrops = accepting;
        ASSERT_TRUE(fileManager.drop(fl_xid(&window), WindowX + 300, WindowY + 100, list));
        pump(3);
        EXPECT_EQ(fileManager.accepted(), accepting);
        // The refused drag adds none.
        EXPECT_EQ(box->drops, (Drops{{"/home/u/My Song.mid", "/home/u/\xC3\xA9.mid"}}));
    }
    EXPECT_FALSE(box->calledInsideEvent);
}

} // namespace
