#include "MyBrowser.h"

#include "App.h"
#include "Flt_Files.h"
#include "OrganBatch.h"

#include <algorithm>

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

void MyBrowser::changed() {
    if (app)
        app->playlistChanged();
}

void MyBrowser::filesDropped(std::vector<std::string>& files) {
    app->addDroppedFiles(files);
}

EntryId MyBrowser::addFile(const std::string& path, int transpose, bool missing) {
    entries.push_back(
        {path, displayName(path) + transposedSuffix(transpose), ++lastId, missing, {}, transpose});
    add(entries.back().name.c_str());
    changed();
    return lastId;
}

int MyBrowser::selectedLine() {
    for (int line = 1; line <= size(); ++line) {
        if (selected(line))
            return line;
    }
    return 0;
}

// Lines are moved by removing and inserting them, which drops their selection.
void MyBrowser::moveLine(int from, int to) {
    const std::string text = this->text(from);
    remove(from);
    insert(to, text.c_str());
    PlaylistEntry moved = std::move(entries[from - 1]);
    entries.erase(entries.begin() + (from - 1));
    entries.insert(entries.begin() + (to - 1), std::move(moved));
    changed();
}

void MyBrowser::moveFirstToEnd() {
    if (size() > 0 && !entries.empty())
        moveLine(1, size());
}

bool MyBrowser::moveToEnd(EntryId id) {
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].id == id) {
            moveLine(static_cast<int>(i) + 1, size());
            return true;
        }
    }
    return false;
}

bool MyBrowser::moveSelectedToFirst() {
    return moveSelectedTo(1, 2);
}

bool MyBrowser::moveSelectedToSecond() {
    return moveSelectedTo(2, 3);
}

bool MyBrowser::moveSelectedTo(int line, size_t fewestEntries) {
    const int selectedAt = selectedLine();
    if (selectedAt == 0 || entries.size() < fewestEntries)
        return false;
    moveLine(selectedAt, line);
    return true;
}

bool MyBrowser::removeSelected() {
    const int line = selectedLine();
    if (line == 0 || entries[line - 1].id == playing)
        return false;
    remove(line);
    entries.erase(entries.begin() + (line - 1));
    changed();
    if (size() > 0) // so that Delete pressed again goes on down the list
        select(std::min(line, size()));
    return true;
}

std::string MyBrowser::firstPath() const {
    return entries.empty() ? std::string() : entries.front().path;
}

EntryId MyBrowser::firstId() const {
    return entries.empty() ? NoEntry : entries.front().id;
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
    playing = NoEntry;
    changed();
}

PlaylistEntry* MyBrowser::find(EntryId id) {
    for (PlaylistEntry& entry : entries) {
        if (entry.id == id)
            return &entry;
    }
    return nullptr;
}

void MyBrowser::showLine(size_t index) {
    const PlaylistEntry& entry = entries[index];
    const std::string shown = entry.id == playing ? PlayingMarker + entry.name : entry.name;
    text(static_cast<int>(index) + 1, shown.c_str());
}

void MyBrowser::setPlaying(EntryId id) {
    const EntryId before = playing;
    playing = id;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].id == before || entries[i].id == id)
            showLine(i);
    }
}

void MyBrowser::setState(EntryId id, bool missing, const std::string& problem) {
    if (PlaylistEntry* entry = find(id)) {
        entry->missing = missing;
        entry->problem = problem;
        redraw();
    }
}
