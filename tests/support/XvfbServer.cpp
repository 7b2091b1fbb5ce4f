#include "support/XvfbServer.h"

#include <QProcess>

#include <csignal>
#include <sys/prctl.h>

namespace fadebin::test {

XvfbServer::XvfbServer()
    : m_process(std::make_unique<QProcess>()) {}

std::unique_ptr<XvfbServer> XvfbServer::start(std::string& error, const std::string& screenSize,
                                              const std::vector<std::string>& extraArguments) {
    std::unique_ptr<XvfbServer> server(new XvfbServer);
    QProcess& xvfb = *server->m_process;
    xvfb.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    xvfb.setStandardErrorFile(QProcess::nullDevice());
    // -noreset: else it resets whenever its last client leaves, refusing connections meanwhile.
    QStringList arguments{"-displayfd", "1",   "-screen", "0", QString::fromStdString(screenSize),
                          "-nolisten",  "tcp", "-noreset"};
    for (const std::string& argument : extraArguments)
        arguments << QString::fromStdString(argument);
    xvfb.start(QStringLiteral("Xvfb"), arguments);
    if (!xvfb.waitForStarted(20'000)) {
        error = "Xvfb is not installed (Debian package xvfb)";
        return nullptr;
    }
    while (!xvfb.canReadLine() && xvfb.waitForReadyRead(20'000)) {
    }
    server->m_display = ":" + xvfb.readLine().trimmed().toStdString();
    if (server->m_display == ":") {
        error = "Xvfb did not report a display within 20 s";
        return nullptr;
    }
    return server;
}

XvfbServer::~XvfbServer() {
    m_process->terminate();
    m_process->waitForFinished(10'000);
}

} // namespace fadebin::test
