// The player's costs through a private JACK server, on an X display (xvfb-run):
//   1. CPU of the built player, idle with its window open and while it plays a dense file
//      (chords of eight notes every 10 ms), from /proc/PID/task/*/schedstat;
//      beside the floor: a bare JACK client of its own process, its MIDI output connected
//      to the same receiver, that only clears the port's buffer each cycle, which is all the
//      player's port does while idle (a connected client also wakes the one after it);
//   2. stop latency: from the Stop button's action to the last Note Off at a receiver,
//      over 50 stops of eight held notes, in-process.
// bench_player PATH_TO_VELTRANO [JACK_PERIOD_FRAMES, 64 by default]
#include "App.h"
#include "JackServer.h"
#include "MidiReceiver.h"
#include "SmfTrackBuilder.h"
#include "TempDir.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <jack/midiport.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int Stops = 50;
constexpr int HeldNotes = 8;

// Chords of eight notes, one every 10 ms: about 1,500 messages a second.
std::string denseSong(const TempDir& folder) {
    SmfTrackBuilder track;
    for (int chord = 0; chord < 2000; ++chord) {
        const auto root = static_cast<unsigned char>(40 + chord % 24);
        for (unsigned char step = 0; step < 8; ++step)
            track.channel(step == 0 ? 10 : 0,
                          {0x90, static_cast<unsigned char>(root + 3 * step), 80});
        for (unsigned char step = 0; step < 8; ++step)
            track.channel(0, {0x80, static_cast<unsigned char>(root + 3 * step), 0});
    }
    track.endOfTrack();
    return folder.write("dense.mid", singleTrackFile(track.body(), 480));
}

std::string heldSong(const TempDir& folder) {
    SmfTrackBuilder track;
    for (unsigned char note = 60; note < 60 + HeldNotes; ++note)
        track.channel(0, {0x90, note, 90});
    track.channel(480 * 120, {0x80, 60, 0}).endOfTrack();
    return folder.write("held.mid", singleTrackFile(track.body(), 480));
}

// Time on a core, to the nanosecond, summed over the process's threads (/proc's utime and
// stime count whole clock ticks: 0.2 % of a core over 5 s).
double cpuSeconds(pid_t pid) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code failed;
    double nanos = 0;
    for (const auto& task : std::filesystem::directory_iterator(tasks, failed)) {
        double onCore = 0;
        if (std::ifstream(task.path() / "schedstat") >> onCore)
            nanos += onCore;
    }
    return nanos / 1e9;
}

double percentOfACore(pid_t pid, double seconds) {
    const double before = cpuSeconds(pid);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    return 100.0 * (cpuSeconds(pid) - before) / seconds;
}

// Runs as the child that bareClientPercent measures, until it is killed.
int runBareClient(const char* target) {
    jack_client_t* client = jack_client_open("veltrano-bare", JackNoStartServer, nullptr);
    if (client == nullptr)
        return 1;
    jack_port_t* port =
        jack_port_register(client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    jack_set_process_callback(
        client,
        [](jack_nframes_t frames, void* out) {
            jack_midi_clear_buffer(jack_port_get_buffer(static_cast<jack_port_t*>(out), frames));
            return 0;
        },
        port);
    if (port == nullptr || jack_activate(client) != 0 ||
        jack_connect(client, jack_port_name(port), target) != 0)
        return 1;
    pause();
    return 0;
}

double bareClientPercent(const std::string& target) {
    const char* self = "/proc/self/exe";
    char* args[] = {const_cast<char*>(self), const_cast<char*>("--bare-client"),
                    const_cast<char*>(target.c_str()), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, self, nullptr, nullptr, args, environ) != 0)
        return -1;
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const double percent = percentOfACore(pid, 5);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    return percent;
}

void measureProcess(const char* player, const TempDir& home, const MidiReceiver& receiver) {
    const int device = receiver.indexIn(ZylmidiOut::portNames()) + 1;
    std::filesystem::create_directories(home.path() + "/.fltk/nvx");
    std::ofstream(home.path() + "/.fltk/nvx/Veltrano.prefs")
        << "; FLTK preferences file format 1.0\n; vendor: nvx\n; application: Veltrano\n\n[.]\n"
        << "MIDIdevice:" << device << "\nFiles0:" << denseSong(home) << "\n";
    setenv("HOME", home.path().c_str(), 1);
    char* args[] = {const_cast<char*>(player), nullptr};
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, player, &quiet, nullptr, args, environ) != 0)
        return;
    const std::string click = "w=$(xdotool search --sync --onlyvisible --name '^Veltrano V1.4' "
                              "| head -1) && xdotool mousemove --sync --window $w 125 75 click 1";
    std::this_thread::sleep_for(std::chrono::seconds(2));
    std::printf("CPU idle, window open:   %5.2f %% of one core over 5 s\n", percentOfACore(pid, 5));
    std::printf("CPU of a bare JACK client: %5.2f %% of one core over 5 s (the floor)\n",
                bareClientPercent(receiver.portName()));
    if (std::system(click.c_str()) == 0) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const size_t before = receiver.count();
        const double percent = percentOfACore(pid, 8);
        std::printf("CPU playing:             %5.2f %% of one core over 8 s (%zu messages)\n",
                    percent, receiver.count() - before);
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

bool serveUntil(const std::function<bool()>& done) {
    const auto giveUp = Clock::now() + std::chrono::seconds(10);
    while (!done() && Clock::now() < giveUp)
        Fl::wait(0.001);
    return done();
}

void measureStops(const TempDir& home, MidiReceiver& receiver) {
    Flt_AppSetup setup = playerSetup();
    App app(setup);
    app.show();
    app.menuCommand(CmdFirstOutput + receiver.indexIn(app.outputNames));
    app.addFiles({heldSong(home)});
    std::mt19937 random(7);
    std::vector<double> millis;
    for (int i = 0; i < Stops; ++i) {
        const size_t before = receiver.count();
        app.buttonPressed(app.startButton);
        if (!serveUntil([&] { return receiver.count() >= before + HeldNotes; }))
            break;
        const auto until = Clock::now() + std::chrono::milliseconds(random() % 200);
        serveUntil([&] { return Clock::now() >= until; });
        const auto pressed = Clock::now();
        app.buttonPressed(app.startButton);
        if (!serveUntil([&] { return receiver.count() >= before + 2 * HeldNotes; }))
            break;
        const auto last = receiver.messages(before + 2 * HeldNotes - 1)[0].stamp;
        millis.push_back(std::chrono::duration<double, std::milli>(last - pressed).count());
        serveUntil([&] { return !app.player.isRunning(); });
    }
    std::sort(millis.begin(), millis.end());
    if (millis.size() != Stops) {
        std::printf("stop latency: only %zu of %d stops measured\n", millis.size(), Stops);
        return;
    }
    std::printf("stop latency over %d stops: p50 %.1f ms, p99 %.1f ms, max %.1f ms\n", Stops,
                millis[Stops / 2], millis[Stops * 99 / 100], millis.back());
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--bare-client")
        return runBareClient(argv[2]);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_player PATH_TO_VELTRANO [JACK_PERIOD_FRAMES]\n");
        return 2;
    }
    // A JACK client wakes every period, playing or not: its cost shows at short periods.
    const unsigned period = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 64;
    std::printf("JACK period: %u frames at %u Hz\n", period, JackServer::SampleRate);
    JackServer server(period, JackServer::Mode::AsUsersRunIt);
    MidiReceiver receiver("veltrano/receiver");
    if (!server.ready() || !receiver.ready()) {
        std::fprintf(stderr, "no JACK server\n");
        return 1;
    }
    TempDir home;
    measureProcess(argv[1], home, receiver);
    measureStops(home, receiver);
    return 0;
}
