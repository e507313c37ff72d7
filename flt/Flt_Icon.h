#pragma once

class Fl_RGB_Image;

// The application's window icon, drawn in code: a note on a round badge. Lives for the
// whole program.
const Fl_RGB_Image& appIcon();
