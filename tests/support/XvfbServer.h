#pragma once

#include <memory>
#include <string>

class QProcess;

namespace fadebin::test {

// A private X server for one test program or benchmark, on a display number the server
// picks itself (-displayfd), so that parallel runs never collide. Stopped on destruction.
class XvfbServer {
public:
    // Null when Xvfb is missing or does not come up; error then says why.
    [[nodiscard]] static std::unique_ptr<XvfbServer>
    start(std::string& error, const std::string& screenSize = "1280x800x24");
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    [[nodiscard]] const std::string& display() const { return m_display; } // as ":3"

private:
    XvfbServer();
    std::unique_ptr<QProcess> m_process;
    std::string m_display;
};

} // namespace fadebin::test
