#pragma once

#include <string>
#include <vector>

// Reading and writing playlists: .m3u, .m3u8 or plain text, one path per line.

// Result codes of `readPlaylist` and `writePlaylist`.
inline constexpr int PlaylistOk = 0;
inline constexpr int PlaylistCannotOpen = -1;
inline constexpr int PlaylistIsFolder = -2;
inline constexpr int PlaylistNotRegularFile = -3;
inline constexpr int PlaylistTooLarge = -4;
inline constexpr int PlaylistReadFailed = -5;
inline constexpr int PlaylistWriteFailed = -6;
inline constexpr int PlaylistNotText = -7;

// Largest playlist read: far beyond any real list, small enough to refuse a wrong file fast.
inline constexpr long long PlaylistMaxBytes = 16LL * 1024 * 1024;

// Reads the paths listed in `playlistPath`, in order, into `paths`. Lines starting with
// "#" and blank lines are skipped; relative paths are taken from the playlist's folder;
// file:// URIs are decoded. A file holding a NUL byte (a sound or an image picked by
// mistake) is not read as a list. Listed files are not checked for existence. On failure
// `paths` is left empty and `reason` says why, for the user.
int readPlaylist(const std::string& playlistPath, std::vector<std::string>& paths,
                 std::string& reason);

// Writes `paths` as M3U8 ("#EXTM3U", absolute paths, LF) to `playlistPath` through a
// temporary file in the same folder, so a failed write leaves any existing file as it was.
// On failure `reason` says why, for the user.
int writePlaylist(const std::string& playlistPath, const std::vector<std::string>& paths,
                  std::string& reason);

// True for names ending in .mid, .midi, .kar or .smf (any case): such files go to the
// playlist as they are; anything else a user picks is read as a playlist.
bool isMidiFileName(const std::string& path);

// One line of a playlist as a path: a file:// URI decoded (with or without "localhost"),
// anything else unchanged. Other hosts and schemes are returned unchanged.
std::string decodeFileUri(const std::string& line);
