#include "MenuLabel.h"

namespace {

// `text` with each of `marks` doubled: the label drawing shows a doubled mark once.
std::string doubled(const std::string& text, const std::string& marks) {
    std::string label;
    label.reserve(text.size() * 2);
    for (char c : text) {
        if (marks.find(c) != std::string::npos)
            label += c;
        label += c;
    }
    return label;
}

} // namespace

std::string menuLabelFor(const std::string& name) {
    return doubled(name, "&@");
}

std::string labelTextFor(const std::string& text) {
    return doubled(text, "@");
}
