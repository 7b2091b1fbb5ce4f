#include "support/SwayServer.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>

#include <csignal>
#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace fadebin::test {

namespace {

using namespace std::chrono_literals;

constexpr const char* kUser = "fadebin-sway";

// Runs a client of the compositor to its end; its standard output, or nothing on failure.
std::optional<QByteArray> runClient(const QString& tool, const QStringList& arguments,
                                    const QProcessEnvironment& environment) {
    QProcess client;
    client.setProcessEnvironment(environment);
    client.setStandardErrorFile(QProcess::nullDevice());
    client.start(tool, arguments);
    if (!client.waitForFinished(20'000) || client.exitStatus() != QProcess::NormalExit ||
        client.exitCode() != 0)
        return std::nullopt;
    return client.readAllStandardOutput();
}

void collectWindows(const QJsonObject& node, QJsonArray& into) {
    if (node.value(QStringLiteral("pid")).toInt() > 0)
        into.append(node);
    for (const char* children : {"nodes", "floating_nodes"})
        for (const QJsonValue& child : node.value(QLatin1String(children)).toArray())
            collectWindows(child.toObject(), into);
}

} // namespace

SwayServer::SwayServer()
    : m_process(std::make_unique<QProcess>()) {}

std::unique_ptr<SwayServer> SwayServer::launch(Kind kind, std::string& error) {
    const bool sway = kind == Kind::sway;
    for (const QString& tool :
         sway ? QStringList{"sway", "swaymsg", "grim"} : QStringList{"weston"})
        if (QStandardPaths::findExecutable(tool).isEmpty()) {
            error = tool.toStdString() + " is not installed (Debian packages sway, grim, weston)";
            return nullptr;
        }
    std::unique_ptr<SwayServer> server(new SwayServer);
    const QString runtime = server->m_runtime.path();
    const QString config = runtime + "/config";
    writeFile(config.toStdString(), "output HEADLESS-1 resolution 1280x800 position 0 0 bg #336699 "
                                    "solid_color\nxwayland disable\ndefault_border none\n"
                                    "default_floating_border none\n");
    QStringList command = QStringLiteral("env -i WLR_BACKENDS=headless WLR_RENDERER=pixman "
                                         "WLR_LIBINPUT_NO_DEVICES=1 PATH=/usr/bin:/bin")
                              .split(' ');
    command << "XDG_RUNTIME_DIR=" + runtime << "HOME=" + runtime;
    command += sway ? QStringList{"sway", "-c", config}
                    : QStringList{"weston", "--backend=headless-backend.so", "--width=1280",
                                  "--height=800", "--no-config"};
    if (::geteuid() == 0) {
        if (::getpwnam(kUser) == nullptr)
            QProcess::execute("useradd", {"-M", "-r", "-s", "/usr/sbin/nologin", kUser});
        const passwd* user = ::getpwnam(kUser);
        // The runtime folder is sway's own: it checks that nobody else may use it.
        if (user == nullptr ||
            ::chown(runtime.toLocal8Bit().constData(), user->pw_uid, user->pw_gid) != 0 ||
            ::chown(config.toLocal8Bit().constData(), user->pw_uid, user->pw_gid) != 0) {
            error =
                std::string("no user ") + kUser + " to run the compositor as (sway refuses root)";
            return nullptr;
        }
        command = QStringList{"runuser", "-u", kUser, "--"} + command;
    }
    QProcess& process = *server->m_process;
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(command.takeFirst(), command);
    const QDir folder(runtime);
    const auto found = [&] {
        const QStringList sockets = folder.entryList({QStringLiteral("wayland-*")}, QDir::System);
        const QStringList ipc = folder.entryList({QStringLiteral("sway-ipc.*.sock")}, QDir::System);
        for (const QString& name : sockets)
            if (!name.endsWith(QLatin1String(".lock")))
                server->m_socket = name;
        if (!ipc.isEmpty())
            server->m_ipcSocket = folder.filePath(ipc.first());
        // Weston has no IPC socket of sway's kind.
        return !server->m_socket.isEmpty() && (!sway || !server->m_ipcSocket.isEmpty());
    };
    if (!process.waitForStarted(20'000) ||
        !waitFor([&] { return found() || process.state() == QProcess::NotRunning; }, 30s) ||
        !found()) {
        error = "the compositor did not open its sockets within 30 s";
        return nullptr;
    }
    if (!sway)
        return server; // grim needs a screen-copy protocol weston does not offer
    // The output is there once sway answers with it.
    if (!waitFor([&] { return !server->screenshot().isNull(); }, 20s)) {
        error = "grim took no picture of sway's output";
        return nullptr;
    }
    return server;
}

SwayServer::~SwayServer() {
    // Under runuser sway is its child; runuser passes the signal on, and sway is ended by its
    // own id should runuser not.
    const qint64 pid = m_process->processId();
    const std::string children = pid > 0 ? readFile("/proc/" + std::to_string(pid) + "/task/" +
                                                    std::to_string(pid) + "/children")
                                         : std::string();
    m_process->terminate();
    if (!m_process->waitForFinished(10'000)) {
        m_process->kill();
        m_process->waitForFinished(10'000);
    }
    for (const QString& child :
         QString::fromStdString(children).split(QLatin1Char(' '), Qt::SkipEmptyParts))
        ::kill(static_cast<pid_t>(child.toInt()), SIGKILL);
}

QProcessEnvironment SwayServer::clientEnvironment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), m_socket);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    return environment;
}

QString SwayServer::socketPath() const {
    return m_runtime.filePath(m_socket);
}

QImage SwayServer::screenshot(const QRect& area) const {
    const QString geometry =
        QString::asprintf("%d,%d %dx%d", area.x(), area.y(), area.width(), area.height());
    const QStringList arguments =
        area.isEmpty() ? QStringList{"-"} : QStringList{"-g", geometry, "-"};
    const auto png = runClient("grim", arguments, clientEnvironment());
    return png ? QImage::fromData(*png, "PNG").convertToFormat(QImage::Format_RGB32) : QImage();
}

QJsonObject SwayServer::tree() const {
    QProcessEnvironment environment = clientEnvironment();
    environment.insert(QStringLiteral("SWAYSOCK"), m_ipcSocket);
    const auto json = runClient("swaymsg", {"-r", "-t", "get_tree"}, environment);
    return json ? QJsonDocument::fromJson(*json).object() : QJsonObject();
}

QJsonArray SwayServer::windows() const {
    QJsonArray found;
    collectWindows(tree(), found);
    return found;
}

} // namespace fadebin::test
