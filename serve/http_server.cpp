// Boost 1.74's Asio needs <utility> before it under C++20 (std::exchange).
#include <utility>

#include "http_server.h"

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <QPointer>
#include <atomic>
#include <set>
#include <thread>

namespace kz {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

QString parseListenAddress(const QString& text, ListenAddress* out) {
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon < 0) return QStringLiteral("アドレスとポートは ADDRESS:PORT で指定します: %1").arg(text);
    QString address = text.left(colon);
    if (address.startsWith(u'[') && address.endsWith(u']')) address = address.mid(1, address.size() - 2);
    bool ok = false;
    const int port = text.mid(colon + 1).toInt(&ok);
    if (!ok || port < 0 || port > 65535) return QStringLiteral("ポート番号が正しくありません: %1").arg(text);
    if (address.isEmpty()) address = QStringLiteral("0.0.0.0");
    boost::system::error_code ec;
    asio::ip::make_address(address.toStdString(), ec);
    if (ec) return QStringLiteral("アドレスが正しくありません: %1").arg(address);
    out->address = address;
    out->port = static_cast<quint16>(port);
    return {};
}

namespace {
class Session;
}

// Nothing the I/O context holds (pending operations, posted answers) owns the Impl, and the
// program's thread holds only weak references: when the server goes, the context goes with it
// and frees whatever it still held.
struct HttpServer::Impl : std::enable_shared_from_this<HttpServer::Impl> {
    QPointer<QObject> context;
    Handler handler;
    asio::io_context io{1};
    tcp::acceptor acceptor{io};
    // The open connections, touched on the I/O thread only: the stop closes each of them.
    std::set<std::shared_ptr<Session>> sessions;
    std::thread thread;
    std::atomic<quint16> boundPort{0};

    void accept();
};

namespace {

class Session : public std::enable_shared_from_this<Session> {
public:
    Session(HttpServer::Impl& impl, tcp::socket socket) : m_impl(impl), m_stream(std::move(socket)) {}

    // Cancels what is pending (its handlers end the session) and closes the connection.
    void close() { m_stream.close(); }

    void read() {
        m_parser.emplace();
        m_parser->body_limit(DrillService::MaxBodyBytes);
        m_stream.expires_after(std::chrono::seconds(60));
        http::async_read(m_stream, m_buffer, *m_parser,
                         [self = shared_from_this()](beast::error_code ec, std::size_t) {
                             self->onRead(ec);
                         });
    }

private:
    void onRead(beast::error_code ec) {
        if (ec == http::error::body_limit) {
            ServeReply r = ServeReply::error(413, QStringLiteral("送られたデータが大きすぎます。"));
            write(r, false);
            return;
        }
        if (ec) { // closed, timed out or not HTTP: nothing to answer
            end();
            return;
        }
        http::request<http::string_body> req = m_parser->release();
        m_keepAlive = req.keep_alive();
        const QByteArray method = QByteArray::fromStdString(std::string(req.method_string()));
        const QByteArray target = QByteArray::fromStdString(std::string(req.target()));
        const QByteArray body = QByteArray::fromStdString(req.body());
        QObject* context = m_impl.context.data();
        if (!context) {
            end();
            return;
        }
        // To the program's thread; the answer comes back to the I/O thread. Either end may
        // have gone meanwhile (the server stopped, the connection closed): then nothing is done.
        QMetaObject::invokeMethod(
            context,
            [server = m_impl.weak_from_this(), session = weak_from_this(), method, target, body] {
                const std::shared_ptr<HttpServer::Impl> impl = server.lock();
                if (!impl || session.expired()) return;
                ServeReply r = impl->handler(method, target, body);
                asio::post(impl->io, [session, r = std::move(r)] {
                    if (const std::shared_ptr<Session> self = session.lock()) self->write(r, self->m_keepAlive);
                });
            },
            Qt::QueuedConnection);
    }

    // The connection is over: the server lets go of it.
    void end() {
        beast::error_code ignored;
        m_stream.socket().close(ignored);
        m_impl.sessions.erase(shared_from_this());
    }

    void write(const ServeReply& r, bool keepAlive) {
        auto res = std::make_shared<http::response<http::string_body>>();
        res->result(static_cast<unsigned>(r.status));
        res->version(11);
        res->set(http::field::content_type, r.contentType.toStdString());
        res->set(http::field::cache_control, "no-store");
        res->keep_alive(keepAlive);
        res->body() = r.body.toStdString();
        res->prepare_payload();
        http::async_write(m_stream, *res,
                          [self = shared_from_this(), res, keepAlive](beast::error_code ec, std::size_t) {
                              if (!ec && keepAlive) {
                                  self->read();
                                  return;
                              }
                              beast::error_code ignored;
                              self->m_stream.socket().shutdown(tcp::socket::shutdown_send, ignored);
                              self->end();
                          });
    }

    HttpServer::Impl& m_impl; // outlives the session: the I/O context is one of its members
    beast::tcp_stream m_stream;
    beast::flat_buffer m_buffer;
    std::optional<http::request_parser<http::string_body>> m_parser;
    bool m_keepAlive = false;
};

} // namespace

void HttpServer::Impl::accept() {
    acceptor.async_accept([this](beast::error_code ec, tcp::socket socket) {
        if (ec == asio::error::operation_aborted || !acceptor.is_open()) return;
        if (!ec) {
            auto session = std::make_shared<Session>(*this, std::move(socket));
            sessions.insert(session);
            session->read();
        }
        accept();
    });
}

HttpServer::HttpServer(QObject* context, Handler handler) : m_impl(std::make_shared<Impl>()) {
    m_impl->context = context;
    m_impl->handler = std::move(handler);
}

HttpServer::~HttpServer() {
    stop();
}

QString HttpServer::listen(const ListenAddress& where) {
    beast::error_code ec;
    const tcp::endpoint endpoint(asio::ip::make_address(where.address.toStdString(), ec), where.port);
    if (!ec) m_impl->acceptor.open(endpoint.protocol(), ec);
    if (!ec) m_impl->acceptor.set_option(asio::socket_base::reuse_address(true), ec);
    if (!ec) m_impl->acceptor.bind(endpoint, ec);
    if (!ec) m_impl->acceptor.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
        return QStringLiteral("%1:%2 で待ち受けできません: %3")
            .arg(where.address)
            .arg(where.port)
            .arg(QString::fromLocal8Bit(ec.message().c_str()));
    }
    m_impl->boundPort = m_impl->acceptor.local_endpoint().port();
    m_impl->accept();
    m_impl->thread = std::thread([impl = m_impl.get()] { impl->io.run(); });
    return {};
}

quint16 HttpServer::port() const {
    return m_impl->boundPort;
}

void HttpServer::stop() {
    if (!m_impl->thread.joinable()) return;
    // No new connections, every open one closed: their pending operations end, their handlers
    // let go of them, and the I/O thread runs out of work and ends.
    asio::post(m_impl->io, [impl = m_impl.get()] {
        beast::error_code ignored;
        impl->acceptor.close(ignored);
        for (const std::shared_ptr<Session>& session : std::set(impl->sessions))
            session->close();
        impl->sessions.clear();
    });
    m_impl->thread.join();
}

} // namespace kz
