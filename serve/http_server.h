#pragma once
#include "drill_service.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace kz {

// Where the server listens: "ADDRESS:PORT", "[IPv6]:PORT" or ":PORT" (every IPv4 address).
struct ListenAddress {
    QString address = QStringLiteral("0.0.0.0");
    quint16 port = 8932;
};
// Empty, or why text is not an address to listen on.
QString parseListenAddress(const QString& text, ListenAddress* out);

// HTTP over Boost.Beast. Its input and output run on a thread of their own; every request
// is handed to context's thread (the program's) and answered from there, one at a time, so
// the model never sees two requests at once. Bodies above the service's limit get 413 before
// they are read.
class HttpServer {
public:
    using Handler =
        std::function<ServeReply(const QByteArray& method, const QByteArray& target, const QByteArray& body)>;

    HttpServer(QObject* context, Handler handler);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Starts listening; empty, or the message why not (address in use, not this computer's).
    QString listen(const ListenAddress& where);
    quint16 port() const; // the port bound (useful with port 0)
    void stop();

    struct Impl;

private:
    std::shared_ptr<Impl> m_impl;
};

} // namespace kz
