#include "periphery/HttpServer.h"

#include <QTcpSocket>

namespace fadebin::test {

HttpServer::HttpServer() {
    m_server.listen(QHostAddress::LocalHost);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
        }
    });
}

void HttpServer::serve(QTcpSocket* socket) {
    // The whole request is collected in a property of the socket until it is complete.
    QByteArray data = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", data);
    const qsizetype headerEnd = data.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return;
    Request request;
    const QList<QByteArray> lines = data.left(headerEnd).split('\n');
    const QList<QByteArray> start = lines.value(0).trimmed().split(' ');
    request.method = start.value(0);
    request.path = start.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                   lines[i].mid(colon + 1).trimmed());
    }
    const qsizetype length = request.headers.value("content-length", "0").toLongLong();
    if (data.size() < headerEnd + 4 + length)
        return;
    request.body = data.mid(headerEnd + 4, length);
    socket->setProperty("request", QByteArray());
    m_requests.push_back(request);

    const auto found = m_responses.constFind(request.path);
    const Response response = found == m_responses.cend() ? answer(404, "not here") : *found;
    if (response.kind == Response::silent)
        return;
    QByteArray answer = "HTTP/1.1 " + QByteArray::number(response.status) + " Status\r\n";
    for (const auto& [name, value] : response.headers)
        answer += name + ": " + value + "\r\n";
    const qint64 announced =
        response.kind == Response::endless ? qint64(1) << 40 : response.body.size();
    answer += "Content-Length: " + QByteArray::number(announced) + "\r\n";
    answer += "Connection: close\r\n\r\n" + response.body;
    socket->write(answer);
    if (response.kind != Response::endless)
        socket->disconnectFromHost();
}

} // namespace fadebin::test
