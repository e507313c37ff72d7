#include "Flt_UriList.h"

#include <gtest/gtest.h>

#include <climits>
#include <unistd.h>

namespace {

using Names = std::vector<std::string>;

std::string pathOf(const std::string& uri) {
    std::string path = "untouched";
    return fileUriToPath(uri, path) ? path : "refused:" + path;
}

TEST(FileUriToPath, LocalFileUrisBecomeDecodedPathsOthersAreRefused) {
    EXPECT_EQ(pathOf("file:///home/u/My%20Song.mid"), "/home/u/My Song.mid");
    EXPECT_EQ(pathOf("FILE://LocalHost/tmp/a.mid"), "/tmp/a.mid");
    EXPECT_EQ(pathOf("file:/tmp/a.mid"), "/tmp/a.mid");
    // "%C3%A9" and "\xC3\xA9" are a UTF-8 e acute; escapes are read in either case.
    EXPECT_EQ(pathOf("file:///home/u/Caf%C3%A9%20%c3%a9.mid"), "/home/u/Caf\xC3\xA9 \xC3\xA9.mid");
    EXPECT_EQ(pathOf("file:///tmp/100%2541.mid"), "/tmp/100%41.mid"); // decoded once only
    EXPECT_EQ(pathOf("file:///tmp/line%0Abreak"), "/tmp/line\nbreak");
    EXPECT_EQ(pathOf("file:///tmp/left as is.mid"), "/tmp/left as is.mid");
    EXPECT_EQ(pathOf("file:///"), "/");
    char host[HOST_NAME_MAX + 1] = {};
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    EXPECT_EQ(pathOf(std::string("file://") + host + "/tmp/a.mid"), "/tmp/a.mid");

    for (const char* uri :
         {"http://example.com/a.mid", "file://music.example.invalid/a.mid", "file://",
          "file://localhost", "file:relative.mid", "/tmp/a.mid", "", "file:///a%4z.mid",
          "file:///a%2", "file:///a%", "file:///a.mid%00.txt", "file:///a%%41"})
        EXPECT_EQ(pathOf(uri), "refused:untouched") << uri;
}

Names read(const char* text) {
    Names names = {"stale"};
    if (!readUriList(text, names))
        names.insert(names.begin(), "not a list");
    return names;
}

// The closing line end gives no empty name; URIs that name no local file stay as they are.
TEST(ReadUriList, FileUrisBecomePlainPathsOnePerName) {
    EXPECT_EQ(read("file:///a.mid\r\nfile:///b%20c.mid\r\nfile://localhost/d.mid\r\n"),
              (Names{"/a.mid", "/b c.mid", "/d.mid"}));
    EXPECT_EQ(read("file:///a.mid\nfile:///b.mid\n"), (Names{"/a.mid", "/b.mid"}));
    EXPECT_EQ(read("file:///a.mid\r\nfile:///b.mid"), (Names{"/a.mid", "/b.mid"}));
    EXPECT_EQ(read("# dropped by a file manager\r\nfile:///a.mid\r\n#file:///b.mid\r\n"),
              (Names{"/a.mid"}));
    EXPECT_EQ(read("file:///a.mid\r\n\r\nfile:///b.mid\r\n\r\n"), (Names{"/a.mid", "/b.mid"}));
    EXPECT_EQ(read("file:///tmp/line%0Abreak.mid\r\n"), (Names{"/tmp/line\nbreak.mid"}));
    EXPECT_EQ(read("file:///a.mid\r\nhttp://example.com/b.mid\r\nfile://far.invalid/c.mid\r\n"),
              (Names{"/a.mid", "http://example.com/b.mid", "file://far.invalid/c.mid"}));
    EXPECT_EQ(read("file:///bad%zzescape.mid\r\n"), (Names{"file:///bad%zzescape.mid"}));
}

TEST(ReadUriList, OtherTextIsNoList) {
    for (const char* text :
         {"", "\r\n", "/home/u/a.mid", "/a.mid\n/b.mid\n", "file:///a.mid\n/home/u/b.mid",
          "Note: hello world", "# a comment alone\n", "C:\\songs\\a.mid", "a:b c",
          "file:///a.mid\x01\r\n"})
        EXPECT_EQ(read(text), (Names{"not a list", "stale"})) << text;
    EXPECT_EQ(read(nullptr), (Names{"not a list", "stale"}));
}

} // namespace
