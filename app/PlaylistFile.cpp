#include "PlaylistFile.h"

#include "Flt_FileWrite.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Malformed escapes and %00 stay as written: a NUL would cut the path short.
std::string decodePercent(const std::string& text) {
    std::string decoded;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int high = hexValue(text[i + 1]);
            const int low = hexValue(text[i + 2]);
            if (high >= 0 && low >= 0 && (high | low) != 0) {
                decoded += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        decoded += text[i];
    }
    return decoded;
}

bool startsWithNoCase(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    return true;
}

bool isBlank(const std::string& line) {
    return std::all_of(line.begin(), line.end(),
                       [](unsigned char c) { return std::isspace(c) != 0; });
}

std::string lowerExtension(const std::string& path) {
    const std::string name = path.substr(path.find_last_of('/') + 1);
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos)
        return "";
    std::string extension = name.substr(dot);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

std::string systemReason(const std::string& what, const std::string& path, int error) {
    return what + " " + path + ": " + std::strerror(error);
}

// Checks that `playlistPath` names a regular file of a sane size.
int checkReadable(const std::string& playlistPath, std::string& reason) {
    std::error_code error;
    const fs::file_status status = fs::status(playlistPath, error);
    if (error) {
        reason = "Cannot open playlist " + playlistPath + ": " + error.message();
        return PlaylistCannotOpen;
    }
    if (fs::is_directory(status)) {
        reason = "Playlist " + playlistPath + " is a folder";
        return PlaylistIsFolder;
    }
    if (!fs::is_regular_file(status)) {
        reason = "Playlist " + playlistPath + " is not a regular file";
        return PlaylistNotRegularFile;
    }
    if (static_cast<long long>(fs::file_size(playlistPath, error)) > PlaylistMaxBytes) {
        reason = "Playlist " + playlistPath + " is too large";
        return PlaylistTooLarge;
    }
    return PlaylistOk;
}

std::string resolveEntry(const std::string& line, const fs::path& folder) {
    const fs::path entry(decodeFileUri(line));
    if (entry.is_absolute() || line.find("://") != std::string::npos)
        return entry.string();
    return (folder / entry).lexically_normal().string();
}

void parseLines(std::istream& text, const fs::path& folder, std::vector<std::string>& paths) {
    std::string line;
    bool first = true;
    while (std::getline(text, line)) {
        if (first && line.compare(0, 3, "\xEF\xBB\xBF") == 0)
            line.erase(0, 3);
        first = false;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (isBlank(line) || line[0] == '#')
            continue;
        paths.push_back(resolveEntry(line, folder));
    }
}

std::string m3u8Text(const std::vector<std::string>& paths) {
    std::string text = "#EXTM3U\n";
    for (const std::string& path : paths) {
        std::error_code error;
        const fs::path absolute = fs::absolute(path, error);
        text += (error ? path : absolute.lexically_normal().string()) + "\n";
    }
    return text;
}

// Says why a save failed, and that a playlist already there was left alone.
int failWrite(const std::string& path, const std::string& why, std::string& reason) {
    reason = "Cannot save playlist " + path + ": " + why;
    std::error_code ignored;
    if (fs::exists(path, ignored))
        reason += " (the existing playlist is unchanged)";
    return PlaylistWriteFailed;
}

bool acceptableTarget(const std::string& playlistPath, const std::vector<std::string>& paths,
                      std::string& reason) {
    // One path a line: a line break inside a path would turn it into two wrong entries.
    for (const std::string& path : paths)
        if (path.find_first_of("\r\n") != std::string::npos) {
            reason = "Cannot save playlist " + playlistPath + ": a path holds a line break";
            return false;
        }
    std::error_code error;
    if (playlistPath.empty())
        reason = "Cannot save playlist: no file name";
    else if (fs::is_directory(playlistPath, error))
        reason = "Cannot save playlist " + playlistPath + ": it is a folder";
    // The rename would put a regular file in place of a device or a pipe (as root, even
    // /dev/null), so only a regular file, or none yet, is replaced.
    else if (fs::exists(playlistPath, error) && !fs::is_regular_file(playlistPath, error))
        reason = "Cannot save playlist " + playlistPath + ": it is not a regular file";
    else
        return true;
    return false;
}

} // namespace

std::string decodeFileUri(const std::string& line) {
    if (!startsWithNoCase(line, "file://"))
        return line;
    std::string rest = line.substr(7);
    if (startsWithNoCase(rest, "localhost/"))
        rest.erase(0, 9);
    if (rest.empty() || rest[0] != '/')
        return line;
    return decodePercent(rest);
}

int readPlaylist(const std::string& playlistPath, std::vector<std::string>& paths,
                 std::string& reason) {
    paths.clear();
    const int checked = checkReadable(playlistPath, reason);
    if (checked != PlaylistOk)
        return checked;
    std::ifstream file(playlistPath, std::ios::binary);
    if (!file) {
        reason = systemReason("Cannot open playlist", playlistPath, errno);
        return PlaylistCannotOpen;
    }
    std::stringstream text;
    text << file.rdbuf();
    if (file.bad()) {
        reason = "Cannot read playlist " + playlistPath;
        return PlaylistReadFailed;
    }
    // Each binary line would otherwise come back as a path refused one by one.
    if (text.str().find('\0') != std::string::npos) {
        reason = "Playlist " + playlistPath + " is not a text file";
        return PlaylistNotText;
    }
    std::error_code error;
    const fs::path folder = fs::absolute(playlistPath, error).parent_path();
    parseLines(text, folder, paths);
    return PlaylistOk;
}

int writePlaylist(const std::string& playlistPath, const std::vector<std::string>& paths,
                  std::string& reason) {
    if (!acceptableTarget(playlistPath, paths, reason))
        return PlaylistWriteFailed;
    std::string why;
    if (writeFileAtomically(playlistPath, m3u8Text(paths), why) != fileWriteOk)
        return failWrite(playlistPath, why, reason);
    return PlaylistOk;
}

bool isMidiFileName(const std::string& path) {
    const std::string extension = lowerExtension(path);
    return extension == ".mid" || extension == ".midi" || extension == ".kar" ||
           extension == ".smf";
}
