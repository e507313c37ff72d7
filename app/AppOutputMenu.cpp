#include "App.h"

#include "MenuLabel.h"

#include <string>

namespace {

const char* const OutputMenu = "Settings/Select MIDI output/";
constexpr int NoShortcut = 0;

} // namespace

// Twenty fixed entries whose labels change with the ports of the moment: the menu bar knows
// an entry by the place it was added at, so entries are never added or removed later.
void App::addOutputEntries() {
    for (int i = 0; i < MaxOutputEntries; ++i) {
        const std::string path = OutputMenu + std::to_string(i + 1); // unique until relabelled
        menubar->add(path.c_str(), CmdFirstOutput + i, NoShortcut, FL_MENU_RADIO);
    }
    showOutputEntries();
}

// Read again each time the menu is opened, so that ports started or plugged in since show
// and those gone do not.
void App::refreshOutputMenu() {
    outputNames = ZylmidiOut::portNames();
    showOutputEntries();
}

void App::showOutputEntries() {
    const int none = menubar->find_index((std::string(OutputMenu) + "(None)").c_str());
    if (none < 0)
        return;
    Fl_Menu_Item* entries = const_cast<Fl_Menu_Item*>(menubar->menu()) + none + 1;
    for (int i = 0; i < MaxOutputEntries; ++i) {
        if (i < static_cast<int>(outputNames.size())) {
            menubar->replace(none + 1 + i, menuLabelFor(outputNames[i]).c_str());
            entries[i].show();
        } else {
            entries[i].hide();
        }
    }
    markChosenOutput();
}

// The chosen port keeps its mark wherever it is listed now; none is marked while it is
// not listed.
void App::markChosenOutput() {
    if (chosenOutput.empty()) {
        menubar->setValue(CmdOutputNone, true);
        return;
    }
    const int index = indexOfOutput(chosenOutput);
    if (index >= 0) {
        menubar->setValue(CmdFirstOutput + index, true);
        return;
    }
    for (int id = CmdOutputNone; id <= CmdLastOutput; ++id)
        menubar->setValue(id, false);
}

// The entry's place among those shown, or -1.
int App::indexOfOutput(const std::string& name) const {
    for (size_t i = 0; i < outputNames.size() && i < static_cast<size_t>(MaxOutputEntries); ++i)
        if (outputNames[i] == name)
            return static_cast<int>(i);
    return -1;
}
