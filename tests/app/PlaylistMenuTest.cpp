#include "AppTestSupport.h"

#include "MyBrowser.h"
#include "PlaylistFile.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using Lines = std::vector<std::string>;
using PlaylistMenu = PlayerTest;

std::string writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

std::string readText(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

TEST_F(PlaylistMenu, OpensMidiFilesAndPlaylistEntriesAsOneBatchInOrder) {
    openPlayer();
    const std::string first = midiFile("first.MID");
    const std::string bare = midiFile("no-extension"); // a MIDI file, not a playlist
    std::filesystem::create_directory(folder.file("sub dir"));
    const std::string spaced = midiFile("sub dir/spaced.mid");
    const std::string relative = midiFile("relative.kar");
    const std::string list =
        writeText(folder.file("list.m3u"), "#EXTM3U\r\n# a comment\r\nrelative.kar\r\n\r\n"
                                           "file://" +
                                               folder.path() +
                                               "/sub%20dir/spaced.mid\r\n"
                                               "gone.mid\r\n");
    const std::string unreadable = folder.file("absent.m3u8");

    app->openPlaylistPaths({first, list, unreadable, bare});
    EXPECT_EQ(app->playlist->paths(), (Lines{first, relative, spaced, bare}));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("Cannot open playlist " + unreadable, 0), 0u) << messages[0];
    EXPECT_NE(messages[0].find("\nSkipped non-file " + folder.file("gone.mid")), std::string::npos);
}

TEST_F(PlaylistMenu, SavesM3u8ThatReadsBackAndAFailedSaveIsToldInABox) {
    openPlayer();
    const Lines songs = {midiFile("a.mid"), midiFile("b.mid"), midiFile("a.mid")};
    app->addFiles(songs);
    const std::string saved = folder.file("saved.m3u8");
    ASSERT_TRUE(app->savePlaylistTo(saved));
    EXPECT_EQ(readText(saved).rfind("#EXTM3U\n", 0), 0u);
    Lines readBack;
    std::string reason;
    ASSERT_EQ(readPlaylist(saved, readBack, reason), PlaylistOk) << reason;
    EXPECT_EQ(readBack, songs);
    EXPECT_TRUE(messages.empty());

    std::filesystem::create_directory(folder.file("taken.m3u8"));
    for (const std::string& target :
         {folder.file("missing/list.m3u8"), folder.file("taken.m3u8")}) {
        EXPECT_FALSE(app->savePlaylistTo(target)) << target;
        ASSERT_EQ(messages.size(), 1u) << target;
        EXPECT_EQ(messages[0].rfind("Cannot save playlist", 0), 0u) << messages[0];
        messages.clear();
    }
    EXPECT_TRUE(std::filesystem::is_empty(folder.file("taken.m3u8")));
    EXPECT_FALSE(std::filesystem::exists(folder.file("missing")));
}

TEST_F(PlaylistMenu, FilesOnTheCommandLineFollowTheStoredOnes) {
    const std::string stored = midiFile("stored.mid");
    const std::string given = midiFile("given.mid");
    const std::string cwd = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    openPlayer({"Files0:" + stored}, {"given.mid", "absent.mid"});
    std::filesystem::current_path(cwd);
    EXPECT_EQ(app->playlist->paths(), (Lines{stored, given}));
    EXPECT_EQ(messages, Lines{"Skipped non-file " + folder.file("absent.mid")});
    app->onClose();
    EXPECT_NE(closePlayer().find("Files1:" + given), std::string::npos);
}

} // namespace
