#include "App.h"

#include "Flt_Prefs.h"
#include "Message.h"
#include "MyBrowser.h"
#include "PortErrorText.h"

#include <utility>

namespace {

const char* const DeviceKey = "MIDIdevice";
const char* const DeviceNameKey = "MIDIdeviceName";
const char* const PauseKey = "Pause";
const char* const ContinuousKey = "Continuous";
const char* const CheckOrganKey = "CheckDeleika";
const char* const FilesKey = "Files";
const char* const AllTracksKey = "AllTracks";
const char* const FollowTempoKey = "FollowTempo";
const char* const TransposeToFitKey = "TransposeToFit";

// The check marks of the Settings menu and their keys.
const std::pair<int, const char*> Toggles[] = {{CmdContinuous, ContinuousKey},
                                               {CmdCheckOrgan, CheckOrganKey},
                                               {CmdAllTracks, AllTracksKey},
                                               {CmdFollowTempo, FollowTempoKey},
                                               {CmdTransposeToFit, TransposeToFitKey}};

constexpr int NoDevice = 0;
// Seconds from a change of the playlist to its store: a drop of many files, or a run of
// moves, is one write.
constexpr double PlaylistStoreDelay = 1.0;

void reportDevice(int device) {
    logLine("MIDIdevice = " + std::to_string(device));
}

} // namespace

// Stored values go through the same menu actions that the user would choose.
void App::onStart(int argc, char** argv) {
    placeChildren(); // not every toolkit build delivers a resize when the window appears
    Flt_Prefs store(prefs);
    const int device = store.getInt(DeviceKey, NoDevice);
    reportDevice(device);
    std::string deviceName;
    Flt_Prefs::getString(prefs, DeviceNameKey, deviceName);
    restoreOutput(device, deviceName);
    const int pause = store.getInt(PauseKey, 0);
    if (pause <= CmdLastPause - CmdFirstPause)
        menuCommand(pause + CmdFirstPause);
    for (const auto& [id, key] : Toggles)
        menubar->setValue(id, store.getInt(key, 0) != 0);
    restorePlaylist(store.getStringArray(FilesKey), withCommandLine({}, argc, argv));
    started = true;
}

// A quit during a box of the start, before the store is back in the window, must not store
// the window's empty list and cleared marks over the user's.
bool App::onClose() {
    if (started) {
        for (const auto& [id, key] : Toggles)
            prefs.set(key, menubar->value(id) ? 1 : 0);
        Flt_Prefs(prefs).setStringArray(FilesKey, playlist->paths());
    }
    flushStore(); // now, while a failure can still be told
    return true;
}

// Opens the port by the name the entry shows, so a port that came or went since the menu
// was read cannot put another in its place; one gone meanwhile opens nothing.
void App::selectOutput(int id) {
    const int device = id - CmdOutputNone;
    if (device > static_cast<int>(outputNames.size()))
        return; // no entry shows it
    player.requestStop();
    menubar->setValue(id, true);
    chosenOutput = device == NoDevice ? "" : outputNames[static_cast<size_t>(device - 1)];
    const std::string name = chosenOutput;
    std::unique_lock<std::mutex> guard(portLock);
    ++portGeneration; // the running job sends nothing more, not even to the next port
    output.releaseSounding();
    output.close();
    if (device == NoDevice)
        return;
    const int err = output.open(name);
    guard.unlock();
    if (err == 0) {
        reportDevice(device);
        prefs.set(DeviceKey, device);
        prefs.set(DeviceNameKey, name.c_str());
        flushStore(); // chosen now, so kept even if the program never closes normally
    } else {
        showMessage(openFailureText(name, err));
    }
}

// The list is stored soon after each change, not only at close, so that a crash, a kill or
// a power cut cannot take the files the user gathered with it.
void App::playlistChanged() {
    Fl::remove_timeout(storePlaylist, this);
    Fl::add_timeout(PlaylistStoreDelay, storePlaylist, this);
}

// Until the start has read the store back (a box of the start may be open), the window's
// list is not the user's yet: it is stored later.
void App::storePlaylist(void* data) {
    App& app = *static_cast<App*>(data);
    if (!app.started) {
        app.playlistChanged();
        return;
    }
    Flt_Prefs(app.prefs).setStringArray(FilesKey, app.playlist->paths());
    app.flushStore();
}

// A check mark the user sets is stored at once, like the port and the pause.
void App::storeToggle(int id) {
    for (const auto& [toggle, key] : Toggles) {
        if (toggle == id) {
            prefs.set(key, menubar->value(id) ? 1 : 0);
            flushStore();
        }
    }
}

void App::selectPause(int id) {
    menubar->setValue(id, true);
    prefs.set(PauseKey, id - CmdFirstPause);
    flushStore();
    pauseSeconds = (id - CmdFirstPause) + 1.0;
}
