#pragma once

namespace fadebin {

// SIGINT, SIGTERM and SIGHUP (the end of the session) end the program through the event
// loop, so that everything is destroyed in order rather than cut off mid-write. They are
// caught, not blocked: a blocked mask would be inherited by every program Fadebin starts
// (xdg-open, the browser or file manager behind it), which would then ignore SIGTERM. A
// caught signal is reset to its default in a started program.
class QuitSignals {
public:
    // Installs the handlers; a signal that arrives before the event loop runs is kept.
    QuitSignals();
    // Puts the default actions back.
    ~QuitSignals();
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

    // Readable when a quit signal has arrived; -1 when none could be set up.
    [[nodiscard]] int descriptor() const { return m_read; }
    // Takes the signals that arrived.
    void drain() const;

private:
    int m_read = -1;
};

} // namespace fadebin
