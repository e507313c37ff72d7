// Writes the seed corpus for the reader's fuzz target: small files of every shape the
// reader knows, and a few broken ones, so the fuzzer starts inside the format.
#include "SmfTrackBuilder.h"

#include <cstdio>
#include <random>
#include <string>

namespace {

bool writeSeed(const std::string& folder, const std::string& name, const Bytes& bytes) {
    const std::string path = folder + "/" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

Bytes busyTrack(unsigned seed, std::size_t events, unsigned char channel) {
    std::mt19937 random(seed);
    SmfTrackBuilder track;
    track.text(0, "seed").tempo(0, 500000);
    appendMixedEvents(track, random, events, channel);
    track.endOfTrack();
    return track.body();
}

Bytes formatOneFile(std::size_t tracks, std::size_t eventsPerTrack) {
    std::vector<Bytes> bodies;
    for (std::size_t i = 0; i < tracks; ++i)
        bodies.push_back(
            busyTrack(static_cast<unsigned>(i + 1), eventsPerTrack, static_cast<unsigned char>(i)));
    return smfFile(1, 480, bodies);
}

Bytes cutShort(Bytes bytes, std::size_t keep) {
    bytes.resize(std::min(keep, bytes.size()));
    return bytes;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s SEED_FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    const Bytes small = singleTrackFile(busyTrack(7, 40, 0));
    // 00 F0 05 7E 7F 09 01 F7: a General MIDI reset
    const Bytes sysex =
        singleTrackFile({0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7, 0x00, 0xFF, 0x2F, 0x00});
    // running status: 90 3C 40, then 3C 00 with the status left out
    const Bytes running = singleTrackFile({0x00, 0x90, 0x3C, 0x40, 0x60, 0x3C, 0x00, 0x00, 0xC0,
                                           0x05, 0x10, 0x06, 0x00, 0xFF, 0x2F, 0x00});
    bool written =
        writeSeed(folder, "format0.mid", small) &&
        writeSeed(folder, "format1.mid", formatOneFile(3, 30)) &&
        writeSeed(folder, "sysex.mid", sysex) && writeSeed(folder, "running.mid", running) &&
        writeSeed(folder, "smpte.mid", singleTrackFile({0x00, 0xFF, 0x2F, 0x00}, 0xE728)) &&
        writeSeed(folder, "empty-track.mid", smfHeader(2, 1, 96)) &&
        writeSeed(folder, "cut.mid", cutShort(small, small.size() / 2)) &&
        writeSeed(folder, "escape.mid", singleTrackFile({0x00, 0xF7, 0x01, 0xF8}));
    if (!written) {
        std::fprintf(stderr, "cannot write the seeds to %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
