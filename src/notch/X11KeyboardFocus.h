#pragma once

namespace fadebin {

// The X input focus, taken for the panel while it is opened from the keyboard and given back
// to the window that had it. With a window manager that keeps _NET_ACTIVE_WINDOW the manager
// is asked, as a pager asks it; without one the focus is set directly. Outside X11 nothing
// happens.
class X11KeyboardFocus {
public:
    // Focuses the window, remembering the one that had the focus.
    void take(unsigned long window);
    // Gives the focus back, only while the window still has it: a person who went on to
    // another window keeps that one.
    void giveBack(unsigned long window);

private:
    unsigned long m_previous = 0;
    bool m_askedManager = false;
};

} // namespace fadebin
