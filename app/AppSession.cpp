// What ties the running player to its store and to later starts of it.
#include "App.h"

#include "Message.h"

void App::takeHandOver(const std::vector<std::string>& paths) {
    if (!paths.empty())
        addDroppedFiles(paths); // the same checks as a drop, playlists read
    // Raises the window, and brings it back when iconized.
    show();
}

void App::onStoreFailed(const std::string& path, const std::string& reason) {
    showMessage(formatText("Cannot save settings to %s: %s", path.c_str(), reason.c_str()));
}
