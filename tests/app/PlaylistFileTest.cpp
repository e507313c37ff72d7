#include "PlaylistFile.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/mount.h>

namespace {

void writeText(const std::string& path, const std::string& text) {
    writeBytes(path, std::vector<unsigned char>(text.begin(), text.end()));
}

std::string readText(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

} // namespace

TEST(PlaylistFileTest, ReadsCommentsRelativeAbsoluteUrisAndRefusesNonFiles) {
    TempDir dir;
    writeText(dir.file("list.m3u8"), "\xEF\xBB\xBF#EXTM3U\r\n#EXTINF:3,Gone\r\n"
                                     "sub/../gone.mid\r\n\r\n  \t\r\n/abs/olute.kar\r\n"
                                     "file:///music/Waltz%20No.%202%C3%A9.mid\r\n"
                                     "file://localhost/music/a%2Fb%00%zz.mid\r\n"
                                     "file://otherhost/x.mid\r\nlast-without-line-end.MID");
    std::vector<std::string> paths;
    std::string reason;
    ASSERT_EQ(readPlaylist(dir.file("list.m3u8"), paths, reason), PlaylistOk) << reason;
    EXPECT_EQ(paths, (std::vector<std::string>{dir.file("gone.mid"), "/abs/olute.kar",
                                               "/music/Waltz No. 2\xC3\xA9.mid",
                                               "/music/a/b%00%zz.mid", "file://otherhost/x.mid",
                                               dir.file("last-without-line-end.MID")}));

    EXPECT_EQ(readPlaylist(dir.file("absent.m3u"), paths, reason), PlaylistCannotOpen);
    EXPECT_TRUE(paths.empty());
    EXPECT_NE(reason.find("absent.m3u"), std::string::npos);
    EXPECT_EQ(readPlaylist(dir.path(), paths, reason), PlaylistIsFolder);
    EXPECT_EQ(readPlaylist("/dev/zero", paths, reason), PlaylistNotRegularFile);
    writeBytes(dir.file("sound.wav"), {'R', 'I', 'F', 'F', 0, 0, '\n', 'x'});
    EXPECT_EQ(readPlaylist(dir.file("sound.wav"), paths, reason), PlaylistNotText);
    EXPECT_TRUE(paths.empty());
}

TEST(PlaylistFileTest, WritesM3u8AndReadsItBack) {
    TempDir dir;
    const std::vector<std::string> paths = {dir.file("b c.mid"), "/x/./y/../z.kar"};
    std::string reason;
    ASSERT_EQ(writePlaylist(dir.file("out.m3u8"), paths, reason), PlaylistOk) << reason;
    EXPECT_EQ(readText(dir.file("out.m3u8")), "#EXTM3U\n" + paths[0] + "\n/x/z.kar\n");
    std::vector<std::string> back;
    ASSERT_EQ(readPlaylist(dir.file("out.m3u8"), back, reason), PlaylistOk);
    EXPECT_EQ(back, (std::vector<std::string>{paths[0], "/x/z.kar"}));
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(PlaylistFileTest, FailedWriteSaysSoAndKeepsTheOldFile) {
    TempDir dir;
    std::string reason;
    for (const std::string& target : {dir.file("no/such/folder/x.m3u8"), dir.path()}) {
        EXPECT_EQ(writePlaylist(target, {"/a.mid"}, reason), PlaylistWriteFailed);
        EXPECT_NE(reason.find(target), std::string::npos);
    }
    EXPECT_EQ(writePlaylist(dir.file("x.m3u8"), {"/a\nb.mid"}, reason), PlaylistWriteFailed);
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.m3u8")));

    // Permission bits do not stop root; a read-only mount does.
    const std::string old = dir.file("old.m3u8");
    writeText(old, "#EXTM3U\n/kept.mid\n");
    if (mount(dir.path().c_str(), dir.path().c_str(), nullptr, MS_BIND, nullptr) != 0)
        GTEST_SKIP() << "no bind mount here";
    const bool readOnly =
        mount(nullptr, dir.path().c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
    const int result = writePlaylist(old, {"/new.mid"}, reason);
    umount2(dir.path().c_str(), MNT_DETACH);
    ASSERT_TRUE(readOnly);
    EXPECT_EQ(result, PlaylistWriteFailed);
    EXPECT_NE(reason.find("unchanged"), std::string::npos) << reason;
    EXPECT_EQ(readText(old), "#EXTM3U\n/kept.mid\n");
}

TEST(PlaylistFileTest, TellsMidiFilesFromPlaylists) {
    for (const char* name : {"a.mid", "/x/B.MIDI", "c.Kar", "d.smf", "/e.f/g.mid"})
        EXPECT_TRUE(isMidiFileName(name)) << name;
    for (const char* name : {"a.m3u", "b.M3U8", "c.txt", "mid", "/x.mid/list", "e.mid.bak"})
        EXPECT_FALSE(isMidiFileName(name)) << name;
}
