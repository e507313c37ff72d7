#include "AppTestSupport.h"

#include "MyBrowser.h"
#include "PlaylistFile.h"

#include <filesystem>

namespace {

using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

// The stored list, then the command line (relative to where the player starts), then an
// opened choice of MIDI files and playlists; saved, the whole list reads back.
TEST_F(PlayerTest, FilesComeFromTheCommandLineAndOpenedPlaylistsAndAreSavedAsAList) {
    const Lines songs = {midiFile("stored.mid"), midiFile("given.mid"), midiFile("first.MID"),
                         midiFile("rel.kar"),    midiFile("a b.mid"),   midiFile("no-extension")};
    const fs::path started = fs::current_path();
    fs::current_path(folder.path());
    openPlayer({"Files0:" + songs[0]}, {"given.mid", "absent.mid"});
    fs::current_path(started);
    const std::string list = "#EXTM3U\r\n# note\r\nrel.kar\r\n\r\nfile://" + folder.path() +
                             "/a%20b.mid\r\ngone.mid\r\n";
    const std::string absent = folder.file("absent.m3u8");
    app->openPlaylistPaths(
        {songs[2], folder.write("list.m3u", {list.begin(), list.end()}), absent, songs[5]});
    EXPECT_EQ(app->playlist->paths(), songs);
    EXPECT_EQ(messages, (Lines{"Skipped non-file " + folder.file("absent.mid"),
                               "Cannot open playlist " + absent + ": No such file or directory\n" +
                                   "Skipped non-file " + folder.file("gone.mid")}));

    ASSERT_TRUE(app->savePlaylistTo(folder.file("saved.m3u8")));
    Lines readBack;
    std::string reason;
    ASSERT_EQ(readPlaylist(folder.file("saved.m3u8"), readBack, reason), PlaylistOk) << reason;
    EXPECT_EQ(readBack, songs);
    fs::create_directory(folder.file("taken.m3u8"));
    messages.clear();
    EXPECT_FALSE(app->savePlaylistTo(folder.file("missing/list.m3u8")));
    EXPECT_FALSE(app->savePlaylistTo(folder.file("taken.m3u8")));
    EXPECT_TRUE(fs::is_empty(folder.file("taken.m3u8")));
    ASSERT_EQ(messages.size(), 2u);
    for (const std::string& message : messages)
        EXPECT_EQ(message.rfind("Cannot save playlist", 0), 0u) << message;
}

} // namespace
