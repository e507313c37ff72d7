#include "Message.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

std::string formatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text;
    if (length > 0) {
        std::vector<char> buffer(static_cast<size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, again);
        text.assign(buffer.data(), static_cast<size_t>(length));
    }
    va_end(again);
    return text;
}

std::string joinAtMost(const std::vector<std::string>& items, std::size_t most,
                       const char* separator, const char* beforeRest) {
    std::string text;
    for (std::size_t i = 0; i < items.size() && i < most; ++i)
        text += (i == 0 ? "" : separator) + items[i];
    if (items.size() > most)
        text += beforeRest + formatText("and %zu more", items.size() - most);
    return text;
}

void logLine(const std::string& line, FILE* stream) {
    const std::string withEnd = line + "\n";
    std::fwrite(withEnd.data(), 1, withEnd.size(), stream);
    std::fflush(stream);
}
