#include "Flt_Prefs.h"

#include "Flt_Store.h"

#include <FL/Fl_Widget.H>

#include <cstdlib>
#include <cstring>

namespace {

const char* const listKeyPrefix = "Array";

std::string indexedKey(const char* prefix, size_t index) {
    return std::string(prefix) + std::to_string(index);
}

// Fl_Preferences::get returns this when the default was used.
const char keyMissing = 0;

} // namespace

int Flt_Prefs::getInt(const char* key, int defaultValue) {
    int value = defaultValue;
    if (group.get(key, value, defaultValue) == keyMissing || value < 0)
        return defaultValue;
    return value;
}

bool Flt_Prefs::getString(Fl_Preferences& group, const char* key, std::string& value) {
    char* text = nullptr;
    const bool found = group.get(key, text, "") != keyMissing;
    if (found && text)
        value = text;
    std::free(text);
    return found;
}

bool Flt_Prefs::getString(Fl_Preferences& group, const char* key, std::string& value,
                          const char* defaultText) {
    if (getString(group, key, value))
        return true;
    value = defaultText ? defaultText : "";
    return false;
}

void Flt_Prefs::saveGeometry(const char* prefix, const Fl_Widget& widget) {
    const std::string stem(prefix);
    group.set((stem + "X").c_str(), widget.x());
    group.set((stem + "Y").c_str(), widget.y());
    group.set((stem + "W").c_str(), widget.w());
    group.set((stem + "H").c_str(), widget.h());
}

void Flt_Prefs::loadGeometry(const char* prefix, Fl_Widget& widget, bool withPosition) {
    const std::string stem(prefix);
    int w = 0, h = 0;
    group.get((stem + "W").c_str(), w, 0);
    group.get((stem + "H").c_str(), h, 0);
    // A size of zero or below is no size a widget can take.
    if (w > 0 && h > 0)
        widget.resize(widget.x(), widget.y(), w, h);
    if (!withPosition)
        return;
    int x = 0, y = 0;
    group.get((stem + "X").c_str(), x, 0);
    group.get((stem + "Y").c_str(), y, 0);
    if (x != 0 && y != 0)
        widget.position(x, y);
}

void Flt_Prefs::setIntArray(const char* prefix, const std::vector<int>& values) {
    for (size_t i = 0; i < values.size(); ++i)
        group.set(indexedKey(prefix, i).c_str(), values[i]);
    removeFrom(prefix, values.size());
}

std::vector<int> Flt_Prefs::getIntArray(const char* prefix) {
    std::vector<int> values;
    for (size_t i = 0;; ++i) {
        int value = 0;
        if (group.get(indexedKey(prefix, i).c_str(), value, 0) == keyMissing)
            return values;
        values.push_back(value);
    }
}

void Flt_Prefs::setStringArray(const char* prefix, const std::vector<std::string>& values) {
    for (size_t i = 0; i < values.size(); ++i)
        group.set(indexedKey(prefix, i).c_str(), values[i].c_str());
    removeFrom(prefix, values.size());
}

std::vector<std::string> Flt_Prefs::getStringArray(const char* prefix) {
    std::vector<std::string> values;
    for (size_t i = 0;; ++i) {
        std::string value;
        if (!getString(group, indexedKey(prefix, i).c_str(), value))
            return values;
        values.push_back(value);
    }
}

void Flt_Prefs::removeFrom(const char* prefix, size_t firstIndex) {
    for (size_t i = firstIndex;; ++i) {
        const std::string key = indexedKey(prefix, i);
        if (!group.entryExists(key.c_str()))
            return;
        group.deleteEntry(key.c_str());
    }
}

std::string Flt_Prefs::findInList(const char* value) {
    if (!value)
        return std::string();
    for (int i = 0; i < group.entries(); ++i) {
        const std::string key = group.entry(i);
        std::string stored;
        if (getString(group, key.c_str(), stored) && stored == value)
            return key;
    }
    return std::string();
}

void Flt_Prefs::addToList(const char* value) {
    if (!value)
        return;
    for (size_t i = 0;; ++i) {
        const std::string key = indexedKey(listKeyPrefix, i);
        if (!group.entryExists(key.c_str())) {
            group.set(key.c_str(), value);
            return;
        }
    }
}

bool Flt_Prefs::updateList(const char* value, int code) {
    if (!value)
        return false;
    const std::string key = findInList(value);
    const bool found = !key.empty();
    if (found && code < 0) {
        group.deleteEntry(key.c_str());
        flush();
    } else if (!found && code > 0) {
        addToList(value);
        flush();
    }
    return found;
}

void Flt_Prefs::flush() {
    if (store)
        store->flush();
    else
        group.flush();
}
