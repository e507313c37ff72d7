#pragma once

#include <string>

// `name` as a menu item's label must hold it to show exactly `name`: the label drawing
// reads "&" as an underline mark and "@" as a symbol. Set with Fl_Menu_::replace, which,
// unlike Fl_Menu_::add, takes the text as it stands (no submenus, escapes or dividers).
std::string menuLabelFor(const std::string& name);
