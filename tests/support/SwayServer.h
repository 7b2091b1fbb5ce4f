#pragma once

#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QRect>
#include <QTemporaryDir>

#include <memory>
#include <string>

class QProcess;

namespace fadebin::test {

// A private headless sway (one 1280 x 800 output, no XWayland, windows without borders) in a
// runtime folder of its own. Sway refuses to run as root; as root it runs as a system user
// made for it, and root's clients reach it all the same.
class SwayServer {
public:
    // None, with the reason, when sway is missing or does not come up.
    [[nodiscard]] static std::unique_ptr<SwayServer> start(std::string& error) {
        return launch(Kind::sway, error);
    }
    // A headless weston instead, the same way: a compositor without the layer shell (and
    // without sway's tree, grim's pictures or virtual pointers).
    [[nodiscard]] static std::unique_ptr<SwayServer> startWeston(std::string& error) {
        return launch(Kind::weston, error);
    }
    ~SwayServer();
    SwayServer(const SwayServer&) = delete;
    SwayServer& operator=(const SwayServer&) = delete;

    // WAYLAND_DISPLAY and XDG_RUNTIME_DIR for a client of this compositor.
    [[nodiscard]] QProcessEnvironment clientEnvironment() const;
    // The compositor's socket as an absolute path.
    [[nodiscard]] QString socketPath() const;
    // The whole output, or the area of it given, as grim takes it; null when grim fails.
    [[nodiscard]] QImage screenshot(const QRect& area = {}) const;
    // The window tree (swaymsg -t get_tree); empty when sway does not answer.
    [[nodiscard]] QJsonObject tree() const;
    // Every window of the tree (tiled or floating) with a client behind it.
    [[nodiscard]] QJsonArray windows() const;

private:
    enum class Kind { sway, weston };
    SwayServer();
    [[nodiscard]] static std::unique_ptr<SwayServer> launch(Kind kind, std::string& error);
    QTemporaryDir m_runtime;
    std::unique_ptr<QProcess> m_process;
    QString m_socket;    // its name in the runtime folder
    QString m_ipcSocket; // absolute
};

} // namespace fadebin::test
