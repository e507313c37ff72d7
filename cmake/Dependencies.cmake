# Third-party libraries, as imported targets under the names our targets link.
find_package(Threads REQUIRED)
find_package(PkgConfig REQUIRED)

# Debian's FLTK CMake package refers to a fluid binary that is not installed with the
# library, so we locate the library and headers directly.
find_path(FLTK_INCLUDE_DIR FL/Fl.H REQUIRED)
find_library(FLTK_LIBRARY fltk REQUIRED)
find_package(X11 REQUIRED)
add_library(veltrano_fltk INTERFACE)
target_include_directories(veltrano_fltk SYSTEM INTERFACE ${FLTK_INCLUDE_DIR})
target_link_libraries(veltrano_fltk INTERFACE ${FLTK_LIBRARY} X11::X11 Threads::Threads)
add_library(veltrano::fltk ALIAS veltrano_fltk)

pkg_check_modules(RTMIDI REQUIRED IMPORTED_TARGET rtmidi)
pkg_check_modules(JACK REQUIRED IMPORTED_TARGET jack)
