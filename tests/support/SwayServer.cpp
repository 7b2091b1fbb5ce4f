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

std::unique_ptr<SwayServer> SwayServer::start(std::string& error) {
    if (QStandardPaths::findExecutable(QStringLiteral("sway")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("grim")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("swaymsg")).isEmpty()) {
        error = "sway, swaymsg or grim is not installed (Debian packages sway, grim)";
        return nullptr;
    }
    return launch(Kind::sway, error);
}

std::unique_ptr<SwayServer> SwayServer::startWeston(std::string& error) {
    if (QStandardPaths::findExecutable(QStringLiteral("weston")).isEmpty()) {
        error = "weston is not installed (Debian package weston)";
        return nullptr;
    }
    return launch(Kind::weston, error);
}

std::unique_ptr<SwayServer> SwayServer::launch(Kind kind, std::string& error) {
    std::unique_ptr<SwayServer> server(new SwayServer);
    const QString runtime = server->m_runtime.path();
    const QString config = runtime + QStringLiteral("/config");
    writeFile(config.toStdString(), "output HEADLESS-1 resolution 1280x800 position 0 0 bg #336699 "
                                    "solid_color\nxwayland disable\ndefault_border none\n"
                                    "default_floating_border none\n");
    const QString swayEnvironment =
        QStringLiteral("XDG_RUNTIME_DIR=%1 WLR_BACKENDS=headless WLR_RENDERER=pixman "
                       "WLR_LIBINPUT_NO_DEVICES=1 HOME=%1 PATH=/usr/bin:/bin")
            .arg(runtime);
    const QStringList compositor =
        kind == Kind::sway
            ? QStringList{QStringLiteral("sway"), QStringLiteral("-c"), config}
            : QStringList{QStringLiteral("weston"), QStringLiteral("--backend=headless-backend.so"),
                          QStringLiteral("--width=1280"), QStringLiteral("--height=800"),
                          QStringLiteral("--no-config")};
    QStringList command =
        QStringList{QStringLiteral("-i")} + swayEnvironment.split(QLatin1Char(' ')) + compositor;
    QString program = QStringLiteral("env");
    if (::geteuid() == 0) {
        if (::getpwnam(kUser) == nullptr)
            QProcess::execute(QStringLiteral("useradd"),
                              {QStringLiteral("-M"), QStringLiteral("-r"), QStringLiteral("-s"),
                               QStringLiteral("/usr/sbin/nologin"), QString::fromLatin1(kUser)});
        const passwd* user = ::getpwnam(kUser);
        if (user == nullptr) {
            error = std::string("no user ") + kUser + " to run sway as (sway refuses root)";
            return nullptr;
        }
        // The runtime folder is sway's own: it checks that nobody else may use it.
        if (::chown(runtime.toLocal8Bit().constData(), user->pw_uid, user->pw_gid) != 0 ||
            ::chown(config.toLocal8Bit().constData(), user->pw_uid, user->pw_gid) != 0) {
            error = "cannot hand the runtime folder to " + std::string(kUser);
            return nullptr;
        }
        command = QStringList{QStringLiteral("-u"), QString::fromLatin1(kUser),
                              QStringLiteral("--"), program} +
                  command;
        program = QStringLiteral("runuser");
    }
    QProcess& sway = *server->m_process;
    sway.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    sway.setStandardOutputFile(QProcess::nullDevice());
    sway.setStandardErrorFile(QProcess::nullDevice());
    sway.start(program, command);
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
        return !server->m_socket.isEmpty() &&
               (kind == Kind::weston || !server->m_ipcSocket.isEmpty());
    };
    if (!sway.waitForStarted(20'000) ||
        !waitFor([&] { return found() || sway.state() == QProcess::NotRunning; }, 30s) ||
        !found()) {
        error = "the compositor did not open its sockets within 30 s";
        return nullptr;
    }
    if (kind == Kind::weston)
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
    QStringList arguments{QStringLiteral("-")};
    if (!area.isEmpty())
        arguments = QStringList{QStringLiteral("-g"), QStringLiteral("%1,%2 %3x%4")
                                                          .arg(area.x())
                                                          .arg(area.y())
                                                          .arg(area.width())
                                                          .arg(area.height())} +
                    arguments;
    const auto png = runClient(QStringLiteral("grim"), arguments, clientEnvironment());
    return png ? QImage::fromData(*png, "PNG").convertToFormat(QImage::Format_RGB32) : QImage();
}

QJsonObject SwayServer::tree() const {
    QProcessEnvironment environment = clientEnvironment();
    environment.insert(QStringLiteral("SWAYSOCK"), m_ipcSocket);
    const auto json = runClient(
        QStringLiteral("swaymsg"),
        {QStringLiteral("-r"), QStringLiteral("-t"), QStringLiteral("get_tree")}, environment);
    return json ? QJsonDocument::fromJson(*json).object() : QJsonObject();
}

QJsonArray SwayServer::windows() const {
    QJsonArray found;
    collectWindows(tree(), found);
    return found;
}

} // namespace fadebin::test
