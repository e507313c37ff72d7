#include "MenuLabel.h"

std::string menuLabelFor(const std::string& name) {
    std::string label;
    label.reserve(name.size() * 2);
    for (char c : name) {
        if (c == '&' || c == '@')
            label += c; // the label drawing shows a doubled mark once
        label += c;
    }
    return label;
}
