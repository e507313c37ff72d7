#include "Flt_Files.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(FileKindTest, TellsFilesFoldersMissingPathsAndSpecialFiles) {
    TempDir folder;
    const std::string file = folder.write("song.mid", {'M', 'T', 'h', 'd'});
    const std::string fifo = folder.file("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string link = folder.file("link.mid");
    ASSERT_EQ(symlink(file.c_str(), link.c_str()), 0);
    const std::string dangling = folder.file("dangling.mid");
    ASSERT_EQ(symlink(folder.file("gone").c_str(), dangling.c_str()), 0);

    EXPECT_EQ(fileKind(file), fileKindRegular);
    EXPECT_EQ(fileKind(folder.write("empty.mid", {})), fileKindRegular);
    EXPECT_EQ(fileKind(folder.path()), fileKindFolder);
    EXPECT_EQ(fileKind(folder.path() + "/"), fileKindFolder);
    EXPECT_EQ(fileKind(fifo), fileKindOther); // not opened, so no hang
    EXPECT_EQ(fileKind("/dev/null"), fileKindOther);
    EXPECT_EQ(fileKind(link), fileKindRegular);
    EXPECT_EQ(fileKind(dangling), fileKindMissing);
    EXPECT_EQ(fileKind(folder.file("missing.mid")), fileKindMissing);
    EXPECT_EQ(fileKind(file + "/below"), fileKindMissing);
    EXPECT_EQ(fileKind(""), fileKindMissing);
    EXPECT_EQ(fileKind(static_cast<const char*>(nullptr)), fileKindMissing);
}

TEST(SplitExtensionTest, SplitsAtTheLastDotAnywhere) {
    std::string stem;
    EXPECT_EQ(splitExtension("song.mid", &stem), ".mid");
    EXPECT_EQ(stem, "song");
    EXPECT_EQ(splitExtension("a.b.mid", &stem), ".mid");
    EXPECT_EQ(stem, "a.b");
    EXPECT_EQ(splitExtension("noext", &stem), "");
    EXPECT_EQ(stem, "noext");
    EXPECT_EQ(splitExtension("/music.v2/track", &stem), ".v2/track");
    EXPECT_EQ(stem, "/music");
    EXPECT_EQ(splitExtension(".hidden", &stem), ".hidden");
    EXPECT_EQ(stem, "");
    EXPECT_EQ(splitExtension("name.", &stem), ".");
    EXPECT_EQ(stem, "name");
    EXPECT_EQ(splitExtension("", &stem), "");
    EXPECT_EQ(stem, "");
    EXPECT_EQ(splitExtension("x.kar"), ".kar");
}

TEST(SplitFolderTest, SplitsAfterTheLastSeparatorOfEitherKind) {
    std::string folder;
    EXPECT_EQ(splitFolder("/home/u/song.mid", &folder), "song.mid");
    EXPECT_EQ(folder, "/home/u/");
    EXPECT_EQ(splitFolder("/a/b\\c.mid", &folder), "c.mid");
    EXPECT_EQ(folder, "/a/b\\");
    EXPECT_EQ(splitFolder("C:\\x\\y/z.mid", &folder), "z.mid");
    EXPECT_EQ(folder, "C:\\x\\y/");
    EXPECT_EQ(splitFolder("C:\\x/y\\z.mid", &folder), "z.mid");
    EXPECT_EQ(folder, "C:\\x/y\\");
    // A bare name has no folder part: the whole text counts as the folder.
    EXPECT_EQ(splitFolder("song.mid", &folder), "");
    EXPECT_EQ(folder, "song.mid");
    EXPECT_EQ(splitFolder("/a/b/", &folder), "");
    EXPECT_EQ(folder, "/a/b/");
    EXPECT_EQ(splitFolder("", &folder), "");
    EXPECT_EQ(folder, "");
    EXPECT_EQ(splitFolder("/x.mid"), "x.mid");
}

} // namespace
