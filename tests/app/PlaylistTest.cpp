#include "AppTestSupport.h"

#include "FltEventLoop.h"
#include "FltXdndSource.h"
#include "MyBrowser.h"

#include <FL/Fl.H>

// After gtest: X11's macros clash with its names.
#include <FL/x.H>

#include <sys/stat.h>

namespace {

using Lines = std::vector<std::string>;
using Playlist = PlayerTest;

TEST_F(Playlist, AddsRegularFilesAndRefusesTheRestInOneBox) {
    openPlayer();
    const std::string waltz = midiFile("Waltz.op.mid");
    const std::string tune = midiFile("tune");
    const std::string at = midiFile("@b@Cbold.mid");
    const std::string fifo = folder.file("pipe.mid");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string missing = folder.file("gone.mid");
    const std::string backslashed = folder.path() + "/C:\\music\\Minuet.v2.mid";
    writeBytes(backslashed, {});

    app->addFiles({waltz, folder.path(), tune, missing, waltz, fifo, at, backslashed, ""});
    EXPECT_EQ(lines(), (Lines{"Waltz.op", "tune", "Waltz.op", "@b@Cbold", "Minuet.v2"}));
    EXPECT_EQ(app->playlist->format_char(), 0); // "@" names are shown as they are
    EXPECT_EQ(app->playlist->paths(), (Lines{waltz, tune, waltz, at, backslashed}));
    const Lines expected = {"Skipped non-file " + folder.path() + "\nSkipped non-file " + missing +
                            "\nSkipped non-file " + fifo + "\nSkipped non-file "};
    EXPECT_EQ(messages, expected);

    // Many refusals show twenty lines and a count.
    std::vector<std::string> paths;
    std::string many;
    for (int i = 0; i < 25; ++i) {
        paths.push_back(folder.file("gone" + std::to_string(i)));
        many += i < 20 ? "Skipped non-file " + paths.back() + "\n" : "";
    }
    messages.clear();
    app->addFiles(paths);
    EXPECT_EQ(messages, Lines{many + "and 5 more"});
}

TEST_F(Playlist, TheOrganCheckRefusesWhatDoesNotFitWhenItIsOn) {
    openPlayer();
    const Lines files = {midiFile("fits.mid", 60), midiFile("out.mid", 61),
                         midiFile("ch.mid", 60, 9)};
    app->addFiles(files);
    app->menubar->setValue(CmdCheckOrgan, true);
    app->addFiles({files[1]}); // a single refusal reads exactly as the message form
    app->addFiles(files);
    EXPECT_EQ(lines().size(), 4u);
    EXPECT_EQ(messages, (Lines{"Non Deleika compatile (-4): " + files[1],
                               "Non Deleika compatile (-4): " + files[1] +
                                   "\nNon Deleika compatile (-3): " + files[2]}));
}

struct MoveCase {
    const char* what;
    int lineCount;
    int selected; // 0: none
    bool (MyBrowser::*move)();
    bool moved;
    Lines order;
};

TEST_F(Playlist, MovesReorderLinesAndEntriesTogether) {
    openPlayer();
    const std::vector<MoveCase> cases = {
        {"to second", 4, 3, &MyBrowser::moveSelectedToSecond, true, {"1", "3", "2", "4"}},
        {"to first", 4, 3, &MyBrowser::moveSelectedToFirst, true, {"3", "1", "2", "4"}},
        {"to second of two", 2, 2, &MyBrowser::moveSelectedToSecond, false, {"1", "2"}},
        {"to first of one", 1, 1, &MyBrowser::moveSelectedToFirst, false, {"1"}},
        {"nothing selected", 3, 0, &MyBrowser::moveSelectedToFirst, false, {"1", "2", "3"}},
    };
    for (const MoveCase& c : cases) {
        app->menuCommand(CmdClearPlaylist);
        for (int i = 1; i <= c.lineCount; ++i)
            app->playlist->addFile(folder.file(std::to_string(i) + ".mid"));
        if (c.selected)
            app->playlist->select(c.selected);
        EXPECT_EQ((app->playlist->*c.move)(), c.moved) << c.what;
        EXPECT_EQ(lines(), c.order) << c.what;
        EXPECT_EQ(app->playlist->selectedLine(), c.moved ? 0 : c.selected) << c.what;
        EXPECT_EQ(app->playlist->firstPath(), folder.file(c.order[0] + ".mid")) << c.what;
    }
    app->playlist->markFirst(true); // the marker moves with its line
    app->playlist->moveFirstToEnd();
    app->playlist->markFirst(true);
    EXPECT_EQ(lines(), (Lines{">> 2", "3", ">> 1"}));
    app->playlist->markFirst(false);
    EXPECT_EQ(lines().front(), "2");
    app->menuCommand(CmdClearPlaylist);
    app->playlist->moveFirstToEnd();
    app->playlist->markFirst(true);
    EXPECT_TRUE(lines().empty());
    EXPECT_EQ(app->playlist->firstPath(), "");
}

TEST_F(Playlist, FilesDroppedOnTheListAreAdded) {
    openPlayer();
    const std::string first = midiFile("first.mid");
    const std::string second = midiFile("second mid.mid");
    XdndSource source;
    const int x = app->x() + app->playlist->x() + 100, y = app->y() + app->playlist->y() + 100;
    ASSERT_TRUE(
        source.drop(fl_xid(app.get()), x, y,
                    "file://" + first + "\r\nfile://" + folder.path() + "/second%20mid.mid\r\n"));
    EXPECT_TRUE(loopUntil([this] { return lines().size() == 2; }, 10));
    EXPECT_EQ(app->playlist->paths(), (Lines{first, second}));
}

} // namespace
