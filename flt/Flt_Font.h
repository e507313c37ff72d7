#pragma once

// The first FLTK font index whose name begins with `name` and whose attributes are exactly
// the given boldness and slant; -1 for a null or empty name or when none matches. The
// system's fonts are enumerated on first use (again while none were found).
int findFont(const char* name, bool bold, bool italic);
