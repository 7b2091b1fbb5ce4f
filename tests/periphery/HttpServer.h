#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTcpServer>
#include <QUrl>

#include <vector>

namespace fadebin::test {

// An HTTP/1.1 server on a loopback port: records each request, answers each path as told.
class HttpServer : public QObject {
    Q_OBJECT

public:
    struct Request {
        QByteArray method;
        QByteArray path;
        QHash<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
    };
    struct Response {
        int status = 200;
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
        // Silent: accept the request and never answer. Endless: announce a huge body, send this
        // one and keep the line open.
        enum { answered, silent, endless } kind = answered;
    };

    [[nodiscard]] static Response answer(int status, QByteArray body = {},
                                         QList<QPair<QByteArray, QByteArray>> headers = {}) {
        return {status, std::move(body), std::move(headers)};
    }
    [[nodiscard]] static Response silence() { return {200, {}, {}, Response::silent}; }
    [[nodiscard]] static Response endless(int status, QByteArray start) {
        return {status, std::move(start), {}, Response::endless};
    }

    HttpServer();
    [[nodiscard]] QUrl url(const QString& path) const { return urlAt(m_server.serverPort(), path); }
    // The answer for a path; paths nobody set up get 404.
    void respond(const QByteArray& path, Response response) { m_responses[path] = response; }
    [[nodiscard]] const std::vector<Request>& requests() const { return m_requests; }

    // A loopback URL on which nothing listens, so connecting is refused.
    [[nodiscard]] static QUrl refusingUrl(const QString& path) {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        return urlAt(probe.serverPort(), path);
    }

private:
    static QUrl urlAt(quint16 port, const QString& path) {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path));
    }
    void serve(QTcpSocket* socket);

    QTcpServer m_server;
    QHash<QByteArray, Response> m_responses;
    std::vector<Request> m_requests;
};

} // namespace fadebin::test
