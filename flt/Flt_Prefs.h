#pragma once

#include <FL/Fl_Preferences.H>

#include <string>
#include <vector>

class Fl_Widget;
class Flt_Store;

// A view over one group of an FLTK preferences store (the root or a group opened from it)
// for integers with a sanity default, strings, numbered arrays, widget geometry and lists of
// names. It owns nothing: the group it refers to must outlive it.
//
// Array keys are the prefix followed by a decimal index from 0 ("Files0", "Files1", ...);
// list keys are "Array" followed by a decimal index; geometry keys are the prefix followed by
// "X", "Y", "W" or "H".
class Flt_Prefs {
public:
    // Codes for updateList.
    static const int listRemove = -1;
    static const int listLookUp = 0;
    static const int listAdd = 1;

    // With `store`, the group's store, the list updates are written through it.
    explicit Flt_Prefs(Fl_Preferences& group, Flt_Store* store = nullptr)
        : group(group), store(store) {}

    // The stored integer; `defaultValue` when the key is missing or holds a negative value.
    int getInt(const char* key, int defaultValue);

    // Whether `key` exists in `group`; only then does `value` receive the stored text.
    static bool getString(Fl_Preferences& group, const char* key, std::string& value);
    // Whether `key` exists in `group`; `value` receives the stored text, or else
    // `defaultText` (null counts as empty).
    static bool getString(Fl_Preferences& group, const char* key, std::string& value,
                          const char* defaultText);

    void saveGeometry(const char* prefix, const Fl_Widget& widget);
    // Applies a stored size (both positive) and, with `withPosition`, a stored position
    // (both non-zero), each only where present.
    void loadGeometry(const char* prefix, Fl_Widget& widget, bool withPosition);

    // The setters replace the whole array: keys behind the new last element are removed up
    // to the first gap. The getters stop at the first missing index.
    void setIntArray(const char* prefix, const std::vector<int>& values);
    std::vector<int> getIntArray(const char* prefix);
    void setStringArray(const char* prefix, const std::vector<std::string>& values);
    std::vector<std::string> getStringArray(const char* prefix);

    // The key of the first entry, in the store's order, whose value is exactly `value`;
    // empty when there is none.
    std::string findInList(const char* value);
    // Stores `value` under the lowest free list key; does not flush. Null does nothing.
    void addToList(const char* value);
    // Whether `value` was in the list. listAdd adds it when missing, listRemove removes it
    // when present (either change is flushed to disk, through the store when there is one),
    // listLookUp only looks.
    bool updateList(const char* value, int code);
    bool updateList(const std::string& value, int code) { return updateList(value.c_str(), code); }

private:
    Fl_Preferences& group;
    Flt_Store* store;

    void removeFrom(const char* prefix, size_t firstIndex);
    void flush();
};
