#include "Flt_Files.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(FileKindTest, TellsFilesFoldersMissingPathsAndPipes) {
    TempDir folder;
    const std::string file = folder.write("song.mid", {'M', 'T', 'h', 'd'});
    const std::string fifo = folder.file("pipe"), link = folder.file("link.mid");
    const std::string dangling = folder.file("dangling.mid");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(symlink(file.c_str(), link.c_str()), 0);
    ASSERT_EQ(symlink(folder.file("gone").c_str(), dangling.c_str()), 0);

    EXPECT_EQ(fileKind(file), fileKindRegular);
    EXPECT_EQ(fileKind(link), fileKindRegular);
    EXPECT_EQ(fileKind(folder.path() + "/"), fileKindFolder);
    EXPECT_EQ(fileKind(fifo), fileKindOther); // not opened, so no hang
    EXPECT_EQ(fileKind("/dev/null"), fileKindOther);
    for (const std::string& missing : {dangling, file + "/below", std::string()})
        EXPECT_EQ(fileKind(missing), fileKindMissing) << missing;
    EXPECT_EQ(fileKind(static_cast<const char*>(nullptr)), fileKindMissing);
}

// Each row: the path, what the split returns, and what it leaves in the other string.
struct Split {
    const char *path, *result, *rest;
};

TEST(SplitTest, ExtensionAtTheLastDotAnywhereAndNameAfterTheLastSeparator) {
    const Split extensions[] = {{"a.b.mid", ".mid", "a.b"},
                                {"noext", "", "noext"},
                                {"/music.v2/track", ".v2/track", "/music"},
                                {".hidden", ".hidden", ""},
                                {"name.", ".", "name"},
                                {"", "", ""}};
    for (const Split& row : extensions) {
        std::string stem;
        EXPECT_EQ(splitExtension(row.path, &stem), row.result) << row.path;
        EXPECT_EQ(stem, row.rest) << row.path;
    }
    // A bare name has no separator: the whole text counts as the folder.
    const Split folders[] = {{"/home/u/song.mid", "song.mid", "/home/u/"},
                             {"C:\\x\\y/z.mid", "z.mid", "C:\\x\\y/"},
                             {"C:\\x/y\\z.mid", "z.mid", "C:\\x/y\\"},
                             {"song.mid", "", "song.mid"},
                             {"/a/b/", "", "/a/b/"},
                             {"", "", ""}};
    for (const Split& row : folders) {
        std::string folder;
        EXPECT_EQ(splitFolder(row.path, &folder), row.result) << row.path;
        EXPECT_EQ(folder, row.rest) << row.path;
    }
    EXPECT_EQ(splitExtension("x.kar"), ".kar");
    EXPECT_EQ(splitFolder("/x.mid"), "x.mid");
}

} // namespace
