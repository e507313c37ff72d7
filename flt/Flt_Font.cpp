#include "Flt_Font.h"

#include <FL/Enumerations.H>
#include <FL/Fl.H>

#include <cstring>

namespace {

const int noFont = -1;

int enumeratedFonts() {
    static int count = 0;
    if (count <= 0)
        count = Fl::set_fonts(nullptr);
    return count;
}

} // namespace

int findFont(const char* name, bool bold, bool italic) {
    if (!name || !*name)
        return noFont;
    const int count = enumeratedFonts();
    const int wanted = (bold ? FL_BOLD : 0) | (italic ? FL_ITALIC : 0);
    const size_t nameLength = std::strlen(name);
    for (int index = 0; index < count; ++index) {
        int attributes = 0;
        const char* fontName = Fl::get_font_name(static_cast<Fl_Font>(index), &attributes);
        if (attributes == wanted && fontName && std::strncmp(fontName, name, nameLength) == 0)
            return index;
    }
    return noFont;
}
