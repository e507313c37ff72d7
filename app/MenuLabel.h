#pragma once

#include <string>

// `name` as Fl_Menu_::add must receive it for one entry that shows exactly `name`: a slash
// would open a submenu, a backslash escapes, a leading underscore draws a divider, and the
// label drawing reads "&" as an underline mark and "@" as a symbol.
std::string menuLabelFor(const std::string& name);
