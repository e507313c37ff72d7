#include "Flt_DragDrop.h"

#include "FltEventLoop.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Window.H>
#include <FL/fl_ask.H>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

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
    auto doomed = std::make_unique<DropBox>();
    doomed->onDrop = [] { ADD_FAILURE() << "destroyed receiver called"; };
    doomed->paste("/a.mid");
    doomed.reset();
    Fl::wait(0.05);
}

// The receiver's message box runs the event loop; a drop arriving then waits for its end.
TEST(DragDropTest, ReceiverMayOpenAMessageBoxWhileMoreDropsArrive) {
    DropBox box;
    size_t dropsWhenBoxClosed = 0;
    box.onDrop = [&] {
        if (box.drops.size() > 1)
            return;
        Fl::add_timeout(
            0.05, [](void* target) { static_cast<DropBox*>(target)->paste("/b.mid"); }, &box);
        Fl::add_timeout(0.3, [](void*) {
            if (Fl_Window* open = Fl::modal())
                open->hide();
        });
        fl_message("Skipped non-file %s", box.drops.back().front().c_str());
        dropsWhenBoxClosed = box.drops.size();
    };
    box.paste("/a.mid");
    loopFor(0.6);
    EXPECT_EQ(box.drops, (Drops{{"/a.mid"}, {"/b.mid"}}));
    EXPECT_EQ(dropsWhenBoxClosed, 1u);
}

} // namespace
