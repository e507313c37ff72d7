#include "Flt_Icon.h"

#include <FL/Fl_RGB_Image.H>

#include <array>

namespace {

const int side = 32;
const int depth = 3;

struct Rgb {
    unsigned char r, g, b;
};
const Rgb background = {0xf0, 0xf0, 0xf0};
const Rgb badge = {0x1f, 0x4e, 0x8c};
const Rgb note = {0xff, 0xff, 0xff};

bool inEllipse(int x, int y, double cx, double cy, double rx, double ry) {
    const double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
    return dx * dx + dy * dy <= 1.0;
}

// An eighth note: an oval head low left, a stem up its right side, a flag to the right.
bool inNote(int x, int y) {
    const bool head = inEllipse(x, y, 13.0, 22.0, 5.0, 3.6);
    const bool stem = x >= 16 && x <= 17 && y >= 7 && y <= 22;
    const bool flag = y >= 7 && y <= 14 && x >= 18 && x <= 18 + (y - 7) / 2 + 1;
    return head || stem || flag;
}

Rgb pixelAt(int x, int y) {
    if (!inEllipse(x, y, side / 2.0, side / 2.0, side / 2.0 - 0.5, side / 2.0 - 0.5))
        return background;
    return inNote(x, y) ? note : badge;
}

std::array<unsigned char, side * side * depth> drawPixels() {
    std::array<unsigned char, side * side * depth> pixels{};
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const Rgb colour = pixelAt(x, y);
            unsigned char* at = &pixels[(y * side + x) * depth];
            at[0] = colour.r;
            at[1] = colour.g;
            at[2] = colour.b;
        }
    return pixels;
}

} // namespace

const Fl_RGB_Image& appIcon() {
    static const std::array<unsigned char, side* side* depth> pixels = drawPixels();
    static const Fl_RGB_Image image(pixels.data(), side, side, depth);
    return image;
}
