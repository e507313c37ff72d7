#pragma once

#include <FL/Fl_Menu_Bar.H>

#include <functional>
#include <map>

// A menu bar whose entries the application knows by small integer ids. Every entry added
// here reports its id to one function object; check marks, radio choices and the active
// state are set and read by id.
//
// Ids are recorded by the index that the entry got when it was added, so entries must be
// added in their final order: an entry that FLTK inserts in front of earlier ones (a new
// entry in a submenu that is not the last) shifts those and their ids then name the
// wrong items.
class Flt_Menubar : public Fl_Menu_Bar {
public:
    // At (0, 0) with size (0, 0); the owner lays it out later.
    Flt_Menubar();
    ~Flt_Menubar() override;

    // `path` as Fl_Menu_::add takes it ("File/Exit"); `shortcut` in FLTK's encoding
    // (0 for none); `flags` are FLTK menu item flags (FL_MENU_TOGGLE, FL_MENU_RADIO, ...).
    // A later entry at the same index (the same path) replaces the id.
    void add(const char* path, int id, int shortcut, int flags);

    // Chosen entries call a copy of `onChoice` with their id; until it is set, choosing
    // does nothing.
    void setCallback(std::function<void(int)> onChoice);

    // True checks a toggle entry, or makes a radio entry the only chosen one of its group;
    // false clears the mark. An id that no entry carries has no effect; with several
    // entries of one id these act on the first one added.
    void setValue(int id, bool on);
    void setActive(int id, bool active);
    // Whether the entry is a checked toggle entry; false for radio entries and unknown ids.
    bool value(int id) const;

private:
    std::function<void(int)> callback;
    std::map<int, int> idByIndex; // index in the item array -> id

    Fl_Menu_Item* itemById(int id) const;
    static void itemChosen(Fl_Widget* widget, void* menubar);
};
