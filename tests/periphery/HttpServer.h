#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTcpServer>
#include <QUrl>

#include <vector>

namespace fadebin::test {

// A small HTTP/1.1 server on a loopback port, run by the test on its own event loop. It
// records every request and answers each path as the test said; one connection per request.
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
        bool silent = false;  // accept the request and never answer
        bool endless = false; // announce a huge body, send this one and keep the line open
    };

    [[nodiscard]] static Response answer(int status, QByteArray body = {},
                                         QList<QPair<QByteArray, QByteArray>> headers = {}) {
        return Response{status, std::move(body), std::move(headers), false, false};
    }
    [[nodiscard]] static Response silence() { return Response{200, {}, {}, true, false}; }
    [[nodiscard]] static Response endless(int status, QByteArray start) {
        return Response{status, std::move(start), {}, false, true};
    }

    HttpServer();
    [[nodiscard]] QUrl url(const QString& path) const;
    // The answer for a path; paths nobody set up get 404.
    void respond(const QByteArray& path, Response response);
    [[nodiscard]] const std::vector<Request>& requests() const { return m_requests; }

    // A loopback URL on which nothing listens, so connecting is refused.
    [[nodiscard]] static QUrl refusingUrl(const QString& path);

private:
    void serve(QTcpSocket* socket);

    QTcpServer m_server;
    QHash<QByteArray, Response> m_responses;
    std::vector<Request> m_requests;
};

} // namespace fadebin::test
