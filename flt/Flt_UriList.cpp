#include "Flt_UriList.h"

#include <FL/filename.H>

#include <cctype>
#include <climits>
#include <cstring>
#include <strings.h>
#include <unistd.h>

namespace {

bool startsWithNoCase(const std::string& text, const char* prefix) {
    return strncasecmp(text.c_str(), prefix, std::strlen(prefix)) == 0;
}

bool hasControlChar(const std::string& text) {
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7f)
            return true;
    }
    return false;
}

// A scheme of two or more characters, so that a drive letter ("C:") is no scheme.
bool hasScheme(const std::string& line) {
    size_t colon = line.find(':');
    if (colon == std::string::npos || colon < 2 || !std::isalpha((unsigned char)line[0]))
        return false;
    for (size_t i = 1; i < colon; ++i) {
        unsigned char c = line[i];
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.')
            return false;
    }
    return true;
}

// File managers sometimes leave spaces unencoded in file URIs; other URIs never hold any,
// which keeps plain text such as "Note: hello" from passing for a URI.
bool isUriLine(const std::string& line) {
    if (!hasScheme(line) || hasControlChar(line))
        return false;
    return startsWithNoCase(line, "file:") || line.find(' ') == std::string::npos;
}

bool isCommentLine(const std::string& line) {
    return !line.empty() && line[0] == '#';
}

// Lines split at LF with one CR before it dropped; the terminating line end adds none.
std::vector<std::string> uriListLines(const char* text) {
    std::vector<std::string> lines;
    const char* start = text;
    while (*start) {
        const char* end = std::strchr(start, '\n');
        size_t length = end ? size_t(end - start) : std::strlen(start);
        if (length > 0 && start[length - 1] == '\r')
            --length;
        lines.emplace_back(start, length);
        if (!end)
            break;
        start = end + 1;
    }
    return lines;
}

bool isLocalHost(const std::string& host) {
    if (host.empty() || strcasecmp(host.c_str(), "localhost") == 0)
        return true;
    char own[HOST_NAME_MAX + 1] = {};
    return gethostname(own, sizeof own - 1) == 0 && strcasecmp(host.c_str(), own) == 0;
}

// fl_decode_uri turns "%4z" into a control byte and "%00" into an early end, so only
// well-formed escapes of non-zero bytes are handed to it.
bool hasSoundEscapes(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%')
            continue;
        if (i + 2 >= text.size() || !std::isxdigit((unsigned char)text[i + 1]) ||
            !std::isxdigit((unsigned char)text[i + 2]))
            return false;
        if (text[i + 1] == '0' && text[i + 2] == '0')
            return false;
        i += 2;
    }
    return true;
}

// The encoded path of a local file URI, or an empty string.
std::string localEncodedPath(const std::string& uri) {
    if (!startsWithNoCase(uri, "file:"))
        return {};
    std::string rest = uri.substr(5);
    if (rest.compare(0, 2, "//") != 0)
        return rest.compare(0, 1, "/") == 0 ? rest : std::string();
    size_t slash = rest.find('/', 2);
    if (slash == std::string::npos || !isLocalHost(rest.substr(2, slash - 2)))
        return {};
    return rest.substr(slash);
}

} // namespace

bool fileUriToPath(const std::string& uri, std::string& path) {
    std::string encoded = localEncodedPath(uri);
    if (encoded.empty() || !hasSoundEscapes(encoded))
        return false;
    std::vector<char> buffer(encoded.begin(), encoded.end());
    buffer.push_back('\0');
    fl_decode_uri(buffer.data());
    path = buffer.data();
    return true;
}

bool readUriList(const char* text, std::vector<std::string>& names) {
    if (!text)
        return false;
    std::vector<std::string> lines = uriListLines(text);
    std::vector<std::string> uris;
    for (const std::string& line : lines) {
        if (line.empty() || isCommentLine(line))
            continue;
        if (!isUriLine(line))
            return false;
        uris.push_back(line);
    }
    if (uris.empty())
        return false;
    names.clear();
    for (const std::string& uri : uris) {
        std::string path;
        names.push_back(fileUriToPath(uri, path) ? path : uri);
    }
    return true;
}
