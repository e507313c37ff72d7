#include "App.h"

#include "Flt_Files.h"
#include "MyBrowser.h"
#include "PlaylistFile.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

namespace {

const char* const OpenFilter = "MIDI files and playlists\t*.{mid,midi,kar,smf,m3u,m3u8,txt}\n"
                               "All files\t*";
const char* const SaveFilter = "M3U8 playlists\t*.{m3u8,m3u}";
const char* const SaveName = "playlist.m3u8";

// A MIDI file saved without its usual extension is still a MIDI file, not a playlist. Only a
// regular file is opened: opening a pipe would wait for a writer, and the window with it.
bool startsAsMidiFile(const std::string& path) {
    if (fileKind(path) != fileKindRegular)
        return false;
    std::ifstream file(path, std::ios::binary);
    char magic[4] = {};
    return file.read(magic, sizeof magic) && std::string(magic, sizeof magic) == "MThd";
}

bool isMidiFile(const std::string& path) {
    return isMidiFileName(path) || startsAsMidiFile(path);
}

// What the user picked in "File/Open playlist..." is a playlist unless it is a MIDI file.
bool chosenAsList(const std::string& path) {
    return !isMidiFile(path);
}

bool hasPlaylistExtension(const std::string& path) {
    std::string extension = splitExtension(splitFolder(path));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".m3u" || extension == ".m3u8" || extension == ".txt";
}

// A dropped name is a song unless it is a playlist file by its name: a dropped folder or a
// missing file is refused as a file, as any other dropped name is.
bool droppedAsList(const std::string& path) {
    return hasPlaylistExtension(path) && fileKind(path) == fileKindRegular &&
           !startsAsMidiFile(path);
}

// `names` in order, each one that `isList` picks replaced by the paths its playlist holds;
// a playlist that cannot be read adds its reason to `refusals`.
std::vector<std::string> withListsRead(const std::vector<std::string>& names,
                                       std::vector<std::string>& refusals,
                                       bool (*isList)(const std::string&)) {
    std::vector<std::string> batch;
    for (const std::string& path : names) {
        if (!isList(path)) {
            batch.push_back(path);
            continue;
        }
        std::vector<std::string> entries;
        std::string reason;
        if (readPlaylist(path, entries, reason) != PlaylistOk)
            refusals.push_back(reason);
        batch.insert(batch.end(), entries.begin(), entries.end());
    }
    return batch;
}

} // namespace

std::vector<std::string> withCommandLine(std::vector<std::string> stored, int argc, char** argv) {
    for (int i = 1; i < argc && argv; ++i) {
        // Stored as given, a relative path would name another file after a start elsewhere.
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(argv[i], error);
        stored.push_back(error || !*argv[i] ? argv[i] : absolute.lexically_normal().string());
    }
    return stored;
}

void App::openPlaylistPaths(const std::vector<std::string>& chosen) {
    std::vector<std::string> refusals;
    const std::vector<std::string> batch = withListsRead(chosen, refusals, chosenAsList);
    addFiles(batch, refusals);
}

std::vector<std::string> App::readAsPlaylists(const std::vector<std::string>& names,
                                              std::vector<std::string>& refusals) {
    return withListsRead(names, refusals, droppedAsList);
}

bool App::savePlaylistTo(const std::string& path) {
    std::string reason;
    if (writePlaylist(path, playlist->paths(), reason) == PlaylistOk)
        return true;
    showMessage(reason);
    return false;
}

void App::chooseAndOpenPlaylist() {
    const std::vector<std::string> chosen = askForFiles({"Open playlist", OpenFilter, false, ""});
    if (!chosen.empty())
        openPlaylistPaths(chosen);
}

void App::chooseAndSavePlaylist() {
    const std::vector<std::string> chosen =
        askForFiles({"Save playlist", SaveFilter, true, SaveName});
    if (!chosen.empty())
        savePlaylistTo(chosen.front());
}
