// Adds 10,000 small valid MIDI files to the player's playlist, with the organ check on and
// off, and prints the total and per-file time. Needs an X display (xvfb-run).
#include "App.h"
#include "MyBrowser.h"
#include "SmfTrackBuilder.h"
#include "TempDir.h"

#include <FL/Fl.H>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int FileCount = 10000;

std::vector<std::string> writeSongs(const TempDir& folder) {
    SmfTrackBuilder track;
    for (unsigned char note : {60, 64, 67, 72, 76, 79, 84, 88}) {
        track.channel(0, {0x90, note, 90});
        track.channel(240, {0x80, note, 0});
    }
    track.endOfTrack();
    const Bytes song = singleTrackFile(track.body(), 480);
    std::vector<std::string> paths;
    for (int i = 0; i < FileCount; ++i)
        paths.push_back(folder.write("song" + std::to_string(i) + ".mid", song));
    return paths;
}

double secondsToAdd(App& app, const std::vector<std::string>& paths) {
    app.menuCommand(CmdClearPlaylist);
    const auto start = std::chrono::steady_clock::now();
    app.addFiles(paths);
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    if (app.playlist->size() != static_cast<int>(paths.size()))
        std::fprintf(stderr, "only %d of %zu files were added\n", app.playlist->size(),
                     paths.size());
    return spent.count();
}

} // namespace

int main() {
    TempDir home, music;
    setenv("HOME", home.path().c_str(), 1);
    setenv("JACK_DEFAULT_SERVER", "veltrano-absent-server", 1);
    const std::vector<std::string> paths = writeSongs(music);

    Flt_AppSetup setup = playerSetup();
    App app(setup);
    app.messageSink = [](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); };
    for (bool check : {true, false}) {
        app.menubar->setValue(CmdCheckOrgan, check);
        secondsToAdd(app, paths); // the first round warms the page cache
        const double seconds = secondsToAdd(app, paths);
        std::printf("add %d files, organ check %-3s: %.3f s total, %.1f us per file\n", FileCount,
                    check ? "on" : "off", seconds, seconds * 1e6 / FileCount);
    }
    return 0;
}
