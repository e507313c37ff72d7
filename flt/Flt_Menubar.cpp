#include "Flt_Menubar.h"

#include <utility>

Flt_Menubar::Flt_Menubar() : Fl_Menu_Bar(0, 0, 0, 0) {}

Flt_Menubar::~Flt_Menubar() = default;

void Flt_Menubar::add(const char* path, int id, int shortcut, int flags) {
    int index = Fl_Menu_::add(path, shortcut, itemChosen, this, flags);
    if (index >= 0)
        idByIndex[index] = id;
}

void Flt_Menubar::setCallback(std::function<void(int)> onChoice) {
    callback = std::move(onChoice);
}

void Flt_Menubar::setValue(int id, bool on) {
    Fl_Menu_Item* item = itemById(id);
    if (!item)
        return;
    if (!on)
        item->clear();
    else if (item->radio())
        setonly(item); // the menu's own setonly stays inside the item array
    else
        item->set();
}

void Flt_Menubar::setActive(int id, bool active) {
    Fl_Menu_Item* item = itemById(id);
    if (!item)
        return;
    if (active)
        item->activate();
    else
        item->deactivate();
}

bool Flt_Menubar::value(int id) const {
    const Fl_Menu_Item* item = itemById(id);
    return item && item->checkbox() && item->value();
}

Fl_Menu_Item* Flt_Menubar::itemById(int id) const {
    // The array is read afresh each time: later additions may have reallocated it.
    const Fl_Menu_Item* items = menu();
    if (!items)
        return nullptr;
    for (const auto& [index, entryId] : idByIndex) {
        if (entryId == id && index < size())
            return const_cast<Fl_Menu_Item*>(&items[index]);
    }
    return nullptr;
}

void Flt_Menubar::itemChosen(Fl_Widget*, void* menubar) {
    auto* self = static_cast<Flt_Menubar*>(menubar);
    if (!self->callback)
        return;
    int index = self->find_index(self->mvalue());
    auto found = self->idByIndex.find(index);
    if (found == self->idByIndex.end())
        return;
    // A copy, so that a choice may replace the callback while it runs.
    std::function<void(int)> onChoice = self->callback;
    onChoice(found->second);
}
