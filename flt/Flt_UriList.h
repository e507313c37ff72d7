#pragma once

#include <string>
#include <vector>

// Reading the text/uri-list form in which X11 programs hand over dropped files: one URI
// per line, lines ended by CR LF (or LF), lines starting with '#' are comments.

// When `text` is such a list (at least one URI line, and no line that is neither a URI,
// a comment nor empty), fills `names` with one name per URI in order: local file URIs
// become plain paths, other URIs stay as they are. Otherwise returns false and leaves
// `names` untouched.
bool readUriList(const char* text, std::vector<std::string>& names);

// The local path named by a file URI ("file:///p", "file://localhost/p", "file:/p", or
// this machine's host name), percent-encoding decoded. False for other URIs, other
// hosts, and malformed or NUL percent-encoding, with `path` untouched.
bool fileUriToPath(const std::string& uri, std::string& path);
