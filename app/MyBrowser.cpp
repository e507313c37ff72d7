#include "MyBrowser.h"

#include "App.h"
#include "Flt_Files.h"
#include "OrganBatch.h"

namespace {

const char* const PlayingMarker = ">> ";

// File names are shown as they are, never read as formatting codes.
constexpr char NoFormatCharacter = 0;

std::string displayName(const std::string& path) {
    std::string stem;
    splitExtension(splitFolder(path), &stem);
    return stem;
}

} // namespace

MyBrowser::MyBrowser(App* owner) : Fl_Hold_Browser(0, 0, 0, 0), app(owner) {
    format_char(NoFormatCharacter);
}

int MyBrowser::handle(int event) {
    if (handleDnd(event))
        return 1;
    return Fl_Hold_Browser::handle(event);
}

void MyBrowser::filesDropped(std::vector<std::string>& files) {
    app->addFiles(files);
}

void MyBrowser::addFile(const std::string& path, int transpose) {
    entries.push_back({path, displayName(path) + transposedSuffix(transpose), transpose});
    add(entries.back().name.c_str());
}

int MyBrowser::selectedLine() {
    for (int line = 1; line <= size(); ++line) {
        if (selected(line))
            return line;
    }
    return 0;
}

void MyBrowser::moveFirstToEnd() {
    if (size() == 0 || entries.empty())
        return;
    const std::string text = this->text(1);
    remove(1);
    add(text.c_str());
    PlaylistEntry first = entries.front();
    entries.erase(entries.begin());
    entries.push_back(std::move(first));
}

bool MyBrowser::moveSelectedToFirst() {
    return moveSelectedTo(1, 2);
}

bool MyBrowser::moveSelectedToSecond() {
    return moveSelectedTo(2, 3);
}

// Removing the selected line drops the selection, so none is left afterwards.
bool MyBrowser::moveSelectedTo(int line, size_t fewestEntries) {
    const int selectedAt = selectedLine();
    if (selectedAt == 0 || entries.size() < fewestEntries)
        return false;
    const std::string text = this->text(selectedAt);
    remove(selectedAt);
    insert(line, text.c_str());
    PlaylistEntry moved = entries[selectedAt - 1];
    entries.erase(entries.begin() + (selectedAt - 1));
    entries.insert(entries.begin() + (line - 1), std::move(moved));
    return true;
}

std::string MyBrowser::firstPath() const {
    return entries.empty() ? std::string() : entries.front().path;
}

std::vector<std::string> MyBrowser::paths() const {
    std::vector<std::string> all;
    all.reserve(entries.size());
    for (const PlaylistEntry& entry : entries)
        all.push_back(entry.path);
    return all;
}

void MyBrowser::clearAll() {
    clear();
    entries.clear();
}

void MyBrowser::markFirst(bool playing) {
    if (entries.empty())
        return;
    const std::string& name = entries.front().name;
    text(1, playing ? (PlayingMarker + name).c_str() : name.c_str());
}
