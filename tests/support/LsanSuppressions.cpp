// Leaks inside system libraries that the tests cannot free, read by LeakSanitizer at exit.
// Built into every test program, so a test run by hand is checked as under ctest. Our own
// code is never listed here.
extern "C" const char* __lsan_default_suppressions();

extern "C" const char* __lsan_default_suppressions() {
    // Qt's xcb platform asks the session bus for desktop settings through libdbus.
    return "leak:libdbus-1.so\n";
}
