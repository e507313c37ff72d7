// Playing order and waits of the timeline, against files on disk read back by python3-mido.
#include "MidiTestSupport.h"
#include "ZylmidiTimeline.h"

#include <cstdio>
#include <cstring>
#include <sstream>

namespace {

// Prints "ticks seconds bytes" per event, cumulative, in playing order: format 2 tracks one
// after another, otherwise tracks merged by tick (stable), tempo from every merged track.
// End of Track is left out, with its delta, as the reader leaves it out.
const char* const MidoScript = R"(import sys, mido
mid = mido.MidiFile(sys.argv[1]); every = sys.argv[2] == '1'
seqs = [[i] for i in range(len(mid.tracks) if every else 1)] if mid.type == 2 \
    else [list(range(len(mid.tracks)))]
ticks = seconds = 0
for seq in seqs:
    timed = []
    for i in seq:
        t = 0
        for m in mid.tracks[i]:
            t += m.time
            if m.type != 'end_of_track': timed.append((t, i, m))
    timed.sort(key=lambda e: e[0]); tempo = 500000; last = 0
    for t, i, m in timed:
        seconds += mido.tick2second(t - last, mid.ticks_per_beat, tempo); ticks += t - last; last = t
        if m.type == 'set_tempo': tempo = m.tempo
        if every or i == 0:
            print(ticks, repr(seconds), bytes(m.bytes()).hex())
)";

// An event's bytes as a file holds them (meta length back in, sysex closed by F7).
std::string wireHex(const ZylmidiEvent& event) {
    Bytes wire = event.data;
    if (event.kind() == EventKind::Meta) {
        wire.resize(2);
        appendVarLen(wire, static_cast<uint32_t>(event.data.size() - 2));
        wire.insert(wire.end(), event.data.begin() + 2, event.data.end());
    } else if (event.data[0] == 0xF0) {
        wire.push_back(0xF7);
    }
    std::string out;
    char hex[3];
    for (unsigned char byte : wire) {
        std::snprintf(hex, sizeof hex, "%02x", byte);
        out += hex;
    }
    return out;
}

struct Reference {
    double ticks, seconds;
    std::string hex;
};

std::vector<Reference> readWithMido(const TempDir& dir, const std::string& path, bool every) {
    const std::string script =
        dir.write("timeline.py", Bytes(MidoScript, MidoScript + strlen(MidoScript)));
    const std::string command = "/usr/bin/python3 " + script + " " + path + (every ? " 1" : " 0");
    std::vector<Reference> out;
    FILE* pipe = popen(command.c_str(), "r");
    char line[4096];
    while (pipe && std::fgets(line, sizeof line, pipe)) {
        Reference ref;
        std::istringstream(line) >> ref.ticks >> ref.seconds >> ref.hex;
        out.push_back(ref);
    }
    EXPECT_TRUE(pipe && pclose(pipe) == 0) << "python3-mido could not read " << path;
    return out;
}

Bytes notesTrack(unsigned char channel, uint32_t step, bool withTempo) {
    SmfTrackBuilder track;
    track.text(0, "part").channel(0, {static_cast<unsigned char>(0xC0 | channel), 5});
    for (int i = 0; i < 12; ++i) {
        const auto key = static_cast<unsigned char>(60 + i + channel);
        track.channel(i == 0 ? 0 : step, {static_cast<unsigned char>(0x90 | channel), key, 90});
        track.channel(step / 2, {static_cast<unsigned char>(0x90 | channel), key, 0});
        if (withTempo && i == 5)
            track.tempo(0, 600000 + 20000 * channel).sysex(0, {0x43, 0x10});
    }
    return trackChunk(track.endOfTrack(7).body());
}

Bytes conductorTrack(std::initializer_list<std::pair<uint32_t, uint32_t>> tempos) {
    SmfTrackBuilder track;
    track.text(0, "song");
    for (const auto& [delta, micros] : tempos)
        track.tempo(delta, micros);
    return trackChunk(track.endOfTrack().body());
}

Bytes song(uint16_t format, uint16_t division, std::vector<Bytes> chunks) {
    Bytes out = smfHeader(format, static_cast<uint16_t>(chunks.size()), division);
    for (const Bytes& chunk : chunks)
        appendBytes(out, chunk);
    return out;
}

TEST(MidiTimeline, OrderAndTimesMatchAnOutsideReader) {
    const Bytes conductor = conductorTrack({{0, 400000}, {700, 250000}, {1000, 800000}});
    const struct {
        const char* name;
        Bytes file;
    } files[] = {
        {"format 1, conductor and three note tracks",
         song(1, 480,
              {conductor, notesTrack(0, 240, false), notesTrack(1, 240, true),
               notesTrack(2, 160, false)})},
        {"format 1, tempo in two note tracks at equal ticks",
         song(1, 96, {notesTrack(3, 50, true), notesTrack(4, 50, true)})},
        {"format 0", song(0, 120, {notesTrack(5, 33, true)})},
        {"format 2",
         song(2, 192,
              {notesTrack(6, 96, true), conductor, trackChunk({}), notesTrack(7, 80, true)})},
        {"format 1, an empty track and rests near 2^28 ticks",
         song(1, 960,
              {notesTrack(8, 0xFFFFFFF, true), trackChunk({}), notesTrack(9, 0xFFFFF0, false)})},
    };
    TempDir dir;
    for (const auto& file : files) {
        const std::string path = dir.write("song.mid", file.file);
        ZylmidiFile loaded;
        ASSERT_EQ(loaded.load(path), 0) << file.name;
        for (int mode = 0; mode < 4; ++mode) {
            const bool every = mode & 1, followTempo = mode & 2;
            SCOPED_TRACE(std::string(file.name) + (every ? ", all tracks" : ", first track") +
                         (followTempo ? ", following tempo" : ", at 120 bpm"));
            const std::vector<Reference> expected = readWithMido(dir, path, every);
            const ZylmidiTimeline timeline(loaded, every, followTempo);
            ASSERT_EQ(timeline.size(), expected.size());
            double seconds = 0.0;
            std::size_t i = 0;
            for (const ZylmidiTimeline::Step& step : timeline) {
                seconds += step.seconds;
                const double want = followTempo
                                        ? expected[i].seconds
                                        : expected[i].ticks * loaded.secondsPerTick(ReferenceTempo);
                EXPECT_EQ(wireHex(step.event), expected[i].hex) << "step " << i;
                EXPECT_NEAR(seconds, want, 1e-9) << "step " << i;
                ++i;
            }
            EXPECT_EQ(timeline.totalSeconds(), seconds);
        }
    }
}

TEST(MidiTimeline, BothOptionsOffIsTheFirstTrackAt120Bpm) {
    TempDir dir;
    ZylmidiFile loaded;
    for (uint16_t division : {480, 0xE728, 0}) {
        ASSERT_EQ(loadBytes(dir,
                            song(1, division, {notesTrack(0, 77, true), notesTrack(1, 5, false)}),
                            loaded),
                  0);
        const ZylmidiTimeline timeline(loaded, false, false);
        const std::vector<ZylmidiEvent>& events = loaded.tracks[0].events;
        ASSERT_EQ(timeline.size(), events.size());
        std::size_t i = 0;
        for (const ZylmidiTimeline::Step& step : timeline) {
            EXPECT_EQ(&step.event, &events[i]); // the song's own event, not a copy
            EXPECT_EQ(step.seconds, events[i].delta * loaded.secondsPerTick(ReferenceTempo));
            ++i;
        }
    }
    const ZylmidiFile empty;
    for (int mode = 0; mode < 4; ++mode) {
        const ZylmidiTimeline timeline(empty, mode & 1, mode & 2);
        EXPECT_TRUE(timeline.size() == 0 && timeline.begin() == timeline.end());
        EXPECT_EQ(timeline.totalSeconds(), 0.0);
    }
}

TEST(MidiTimeline, SmpteDivisionsCountFramesAndIgnoreTempo) {
    const struct {
        uint16_t division;
        double secondsPerTick;
    } divisions[] = {{0xE828, 1 / (24.0 * 40)}, {0xE728, 1 / 1000.0}, {0xE350, 1001 / 2400000.0},
                     {0xE204, 1 / 120.0},       {0xE700, 0.0},        {0, 0.0}};
    TempDir dir;
    for (const auto& smpte : divisions) {
        ZylmidiFile loaded;
        ASSERT_EQ(loadBytes(dir,
                            song(1, smpte.division,
                                 {conductorTrack({{10, 300000}}), notesTrack(0, 30, true)}),
                            loaded),
                  0);
        const ZylmidiTimeline timeline(loaded, true, true);
        // the last note ends at 11 × 30 + 12 × 15 ticks
        EXPECT_NEAR(timeline.totalSeconds(), 510 * smpte.secondsPerTick, 1e-12)
            << std::hex << smpte.division;
    }
}

} // namespace
