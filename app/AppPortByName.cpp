#include "App.h"

#include "Message.h"
#include "ZylmidiPortMatch.h"

#include <algorithm>

// A stored number alone can name another device once ports have come or gone, so a stored
// name decides: the port found under it opens wherever it stands now, and when it is not
// listed nothing opens and the user is told which port is missing. Stores from before
// names were kept go by the number.
void App::restoreOutput(int storedDevice, const std::string& storedName) {
    const int offered = std::min(static_cast<int>(outputNames.size()), MaxOutputEntries);
    if (storedName.empty()) {
        if (storedDevice <= offered)
            menuCommand(storedDevice + CmdOutputNone);
        return;
    }
    const int index = findPortByName(outputNames, storedName);
    if (index < 0)
        showMessage(formatText("The MIDI output %s chosen before is not there now: please "
                               "select MIDI output device under 'Settings'",
                               storedName.c_str()));
    else if (index < offered)
        menuCommand(CmdFirstOutput + index);
}
