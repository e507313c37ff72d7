#include "App.h"

#include "Flt_Prefs.h"
#include "Message.h"
#include "MyBrowser.h"

#include <iostream>

namespace {

const char* const DeviceKey = "MIDIdevice";
const char* const DeviceNameKey = "MIDIdeviceName";
const char* const PauseKey = "Pause";
const char* const ContinuousKey = "Continuous";
const char* const CheckOrganKey = "CheckDeleika";
const char* const FilesKey = "Files";

constexpr int NoDevice = 0;

void reportDevice(int device) {
    std::cout << "MIDIdevice = " << device << std::endl;
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
    menubar->setValue(CmdContinuous, store.getInt(ContinuousKey, 0) != 0);
    menubar->setValue(CmdCheckOrgan, store.getInt(CheckOrganKey, 0) != 0);
    addFiles(withCommandLine(store.getStringArray(FilesKey), argc, argv));
}

bool App::onClose() {
    prefs.set(ContinuousKey, menubar->value(CmdContinuous) ? 1 : 0);
    prefs.set(CheckOrganKey, menubar->value(CmdCheckOrgan) ? 1 : 0);
    Flt_Prefs(prefs).setStringArray(FilesKey, playlist->paths());
    return true;
}

void App::selectOutput(int id) {
    player.requestStop();
    menubar->setValue(id, true);
    const int device = id - CmdOutputNone;
    output.close();
    if (device == NoDevice)
        return;
    const std::string& name = outputNames[static_cast<size_t>(device - 1)];
    const int err = output.open(static_cast<unsigned>(device - 1));
    if (err == 0) {
        reportDevice(device);
        prefs.set(DeviceKey, device);
        prefs.set(DeviceNameKey, name.c_str());
    } else {
        showMessage(formatText("Cannot open MIDI output %s, error %d", name.c_str(), err));
    }
}

void App::selectPause(int id) {
    menubar->setValue(id, true);
    prefs.set(PauseKey, id - CmdFirstPause);
    pauseSeconds = (id - CmdFirstPause) + 1.0;
}
