#pragma once

#include <string>

// `name` as a menu item's label must hold it to show exactly `name`: the label drawing
// reads "&" as an underline mark and "@" as a symbol. Set with Fl_Menu_::replace, which,
// unlike Fl_Menu_::add, takes the text as it stands (no submenus, escapes or dividers).
std::string menuLabelFor(const std::string& name);

// `text` as a message box or a tooltip must hold it to show exactly `text`: their drawing
// takes the text from its last single "@" on for a symbol (a path like "me@host/a.mid").
std::string labelTextFor(const std::string& text);
