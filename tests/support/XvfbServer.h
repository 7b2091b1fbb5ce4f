#pragma once

#include <memory>
#include <string>
#include <vector>

class QProcess;

namespace fadebin::test {

// A private X server on a display number it picks itself (-displayfd), so runs never collide.
class XvfbServer {
public:
    // extraArguments go to Xvfb as they are, e.g. {"-wr"} for a white root window.
    [[nodiscard]] static std::unique_ptr<XvfbServer>
    start(std::string& error, const std::string& screenSize = "1280x800x24",
          const std::vector<std::string>& extraArguments = {});
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
