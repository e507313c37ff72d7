// What a load leaves in the song: a whole new song, or a cleared one; and paths that
// are no readable file.
#include "MidiTestSupport.h"

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

namespace {

Bytes goodFormat1File() {
    SmfTrackBuilder tempo, notes;
    tempo.tempo(0, 400000).text(0, "title").endOfTrack();
    notes.channel(0, {0x91, 0x40, 0x50}).channel(120, {0x91, 0x40, 0x00}).endOfTrack();
    Bytes file = smfHeader(1, 2, 480);
    appendBytes(file, trackChunk(tempo.body()));
    appendBytes(file, trackChunk(notes.body()));
    return file;
}

// One file for each code the reader can give, in the reader's order of checks.
const std::vector<std::pair<int, Bytes>> filePerResult = {
    {0, singleTrackFile({0x00, 0x90, 0x3C, 0x40})},
    {MidiFileReadError, singleTrackFile({0x00, 0x90, 0x3C})},
    {MidiFileBadHeader, {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 3, 0, 1, 0, 96}},
    {MidiFileBadTrackChunk,
     [] {
         Bytes file = smfHeader(0, 1, 96);
         appendBytes(file, {'X', 'F', 'I', 'H', 0, 0, 0, 0});
         return file;
     }()},
    {MidiFileSysexUnterminated, singleTrackFile({0x00, 0xF0, 0x03, 0x43, 0x10, 0x00})},
    {MidiFileNoRunningStatus, singleTrackFile({0x00, 0x3C, 0x40})},
    {MidiFileBadSysexByte, singleTrackFile({0x00, 0xF0, 0x03, 0x43, 0x90, 0xF7})},
    {MidiFileEscapeUnsupported, singleTrackFile({0x00, 0xF7, 0x01, 0xF7})},
};

class MidiSongReplace : public ::testing::Test {
protected:
    void loadGoodSong() {
        ASSERT_EQ(loadBytes(dir, goodFormat1File(), song, "good.mid"), 0);
        ASSERT_EQ(song.trackCount(), 2);
    }

    TempDir dir;
    ZylmidiFile song;
};

TEST_F(MidiSongReplace, GoodFileReplacesTheWholeSong) {
    loadGoodSong();
    ASSERT_EQ(loadBytes(dir, singleTrackFile({0x00, 0xC0, 0x05}, 96), song), 0);
    EXPECT_EQ(song.format, 0);
    EXPECT_EQ(song.division, 96);
    ASSERT_EQ(song.trackCount(), 1);
    EXPECT_EQ(eventData(song.tracks[0]), (std::vector<Bytes>{{0xC0, 0x05}}));

    // Loading the same path twice gives the same song, not twice its tracks.
    const std::string path = dir.write("again.mid", goodFormat1File());
    ASSERT_EQ(song.load(path), 0);
    ASSERT_EQ(song.load(path), 0);
    EXPECT_EQ(song.trackCount(), 2);
    EXPECT_EQ(song.tracks[0].events.size(), 2u);
}

// Bytes in memory read exactly as the same bytes in a file: the code, and the whole song.
TEST_F(MidiSongReplace, MemoryReadsAsTheFileDoes) {
    std::vector<Bytes> inputs = {goodFormat1File(), {}};
    for (const auto& entry : filePerResult)
        inputs.push_back(entry.second);
    SmfTrackBuilder big; // a meta payload longer than the reader takes in one piece
    big.meta(0, 0x7F, Bytes(200 * 1024, 0x55)).channel(1, {0x90, 0x3C, 0x40}).endOfTrack();
    inputs.push_back(singleTrackFile(big.body()));
    const Bytes whole = goodFormat1File(); // and every truncation of a good file
    for (std::size_t size = 0; size < whole.size(); ++size)
        inputs.emplace_back(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));

    for (const Bytes& bytes : inputs) {
        ZylmidiFile fromFile;
        const int fileResult = loadBytes(dir, bytes, fromFile);
        loadGoodSong();
        ASSERT_EQ(song.loadBytes(bytes.data(), bytes.size()), fileResult) << bytes.size();
        EXPECT_EQ(song.format, fromFile.format);
        EXPECT_EQ(song.division, fromFile.division);
        ASSERT_EQ(song.trackCount(), fromFile.trackCount()) << bytes.size();
        for (int i = 0; i < song.trackCount(); ++i)
            EXPECT_TRUE(sameEvents(song.tracks[i].events, fromFile.tracks[i].events));
    }
    loadGoodSong();
    EXPECT_EQ(song.loadBytes(nullptr, 14), MidiFileReadError);
    EXPECT_TRUE(isCleared(song));
}

// A FIFO must be refused without waiting for a writer; root reads even a locked file.
TEST_F(MidiSongReplace, PathsThatAreNoReadableRegularFileCannotOpen) {
    std::filesystem::create_directory(dir.file("folder.mid"));
    std::filesystem::create_symlink(dir.file("gone.mid"), dir.file("dangling.mid"));
    const std::string fifo = dir.file("pipe.mid");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::vector<std::string> paths = {dir.file("missing.mid"),
                                      dir.file("folder.mid"),
                                      dir.file("dangling.mid"),
                                      "",
                                      "/dev/null",
                                      dir.file("good.mid/inside.mid"),
                                      fifo};
    dir.write("good.mid", goodFormat1File());
    if (geteuid() != 0) {
        paths.push_back(dir.write("locked.mid", goodFormat1File()));
        ASSERT_EQ(chmod(paths.back().c_str(), 0), 0);
    }
    for (const auto& path : paths) {
        loadGoodSong();
        auto result = std::async(std::launch::async, [&] { return song.load(path); });
        if (result.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
            ADD_FAILURE() << "load blocked on " << path;
            // Lets a blocked open go on so the test can end.
            const int writer = open(path.c_str(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0)
                close(writer);
        }
        EXPECT_EQ(result.get(), MidiFileCannotOpen) << path;
        EXPECT_TRUE(isCleared(song)) << path;
    }
    loadGoodSong();
    EXPECT_EQ(song.load(static_cast<const char*>(nullptr)), MidiFileCannotOpen);
    EXPECT_TRUE(isCleared(song));
}

TEST_F(MidiSongReplace, OddNamesAndLinksToFilesLoad) {
    const Bytes file = goodFormat1File();
    for (const std::string& name : std::vector<std::string>{
             "with space.mid", "ünïcødé 曲.mid", "-starts-with-dash", "new\nline.mid",
             "no extension", ".hidden.MID", std::string(200, 'x')}) {
        song.clear();
        EXPECT_EQ(loadBytes(dir, file, song, name), 0) << name;
        EXPECT_EQ(song.trackCount(), 2) << name;
    }
    std::filesystem::create_symlink(dir.file("with space.mid"), dir.file("link.mid"));
    EXPECT_EQ(song.load(dir.file("link.mid")), 0);
    EXPECT_EQ(song.load(std::string(dir.file("with space.mid"))), 0);
}

} // namespace
