// Leaks inside system libraries that the tests cannot free, read by LeakSanitizer at exit.
// Linked into every test program, so a test run by hand is checked as under ctest. Our own
// code is never listed here. Qt's xcb platform asks the session bus for settings via libdbus.
// Qt Quick's image cache lives in the main thread's storage, which Qt never frees: the images
// it loaded (the controls' own artwork among them) and the textures made from them remain.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n"
           "leak:QQuickPixmap::load\n"
           "leak:QQuickImage::updatePaintNode\n";
}
