// The small-call floor: a bare server of the HTTP library the application server uses (Beast on
// Asio), answering every POST with the bytes of a file. It keeps the application server's shape
// and socket settings: one I/O thread reads and writes every connection, the answer is made on a
// pool of the same number of workers and handed back, TCP_NODELAY, keep-alive with the same
// timeout header and the same request limit per connection. What it leaves out is ours: routing,
// header checks, deadlines, sessions, the method. Prints its port on the first line of its
// output, then serves until killed.
//
//   bareserver <answer-file> <workers> <keep-alive-seconds>
//
// With 0 workers the I/O thread answers by itself (no hand-off), for comparison.

// clang-format off
#include <utility> // Boost 1.74's Asio uses std::exchange without including it
// clang-format on
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/string_body.hpp>
#include <boost/beast/http/write.hpp>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>

namespace asio = boost::asio;
namespace http = boost::beast::http;
using asio::ip::tcp;
using boost::system::error_code;

namespace {

constexpr int kKeepAliveMaxRequests = 1000;

struct Settings {
    std::string answer;
    std::string keepAliveHeader;
    std::unique_ptr<asio::thread_pool> workers; // null: answer on the I/O thread
};

class Connection : public std::enable_shared_from_this<Connection> {
public:
    Connection(tcp::socket socket, asio::io_context& io, const Settings& settings)
        : socket_(std::move(socket)), io_(io), settings_(settings) {}

    void read() {
        request_.emplace();
        http::async_read(socket_, buffer_, *request_,
                         [self = shared_from_this()](error_code ec, size_t) {
                             if (!ec)
                                 self->onRequest();
                         });
    }

private:
    void onRequest() {
        const bool keepAlive = request_->keep_alive() && ++served_ < kKeepAliveMaxRequests;
        if (!settings_.workers)
            return write(settings_.answer, keepAlive);
        // The same two hand-offs a call makes: to a worker and back to the I/O thread.
        asio::post(*settings_.workers, [self = shared_from_this(), keepAlive] {
            std::string body = self->settings_.answer;
            asio::post(self->io_, [self, keepAlive, body = std::move(body)]() mutable {
                self->write(std::move(body), keepAlive);
            });
        });
    }

    void write(std::string body, bool keepAlive) {
        response_.emplace(http::status::ok, 11);
        response_->set(http::field::content_type, "application/json");
        response_->keep_alive(keepAlive);
        if (keepAlive)
            response_->set(http::field::keep_alive, settings_.keepAliveHeader);
        response_->body() = std::move(body);
        response_->prepare_payload();
        http::async_write(socket_, *response_,
                          [self = shared_from_this(), keepAlive](error_code ec, size_t) {
                              if (ec || !keepAlive) {
                                  error_code ignored;
                                  self->socket_.shutdown(tcp::socket::shutdown_both, ignored);
                                  return;
                              }
                              self->read();
                          });
    }

    tcp::socket socket_;
    asio::io_context& io_;
    const Settings& settings_;
    boost::beast::flat_buffer buffer_;
    std::optional<http::request<http::string_body>> request_;
    std::optional<http::response<http::string_body>> response_;
    int served_ = 0;
};

void accept(tcp::acceptor& acceptor, asio::io_context& io, const Settings& settings) {
    acceptor.async_accept([&](error_code ec, tcp::socket socket) {
        if (!ec) {
            socket.set_option(tcp::no_delay(true), ec);
            std::make_shared<Connection>(std::move(socket), io, settings)->read();
        }
        accept(acceptor, io, settings);
    });
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: bareserver <answer-file> <workers> <keep-alive-seconds>\n");
        return 2;
    }
    std::ifstream file(argv[1], std::ios::binary);
    Settings settings;
    settings.answer.assign(std::istreambuf_iterator<char>(file), {});
    const int workers = std::stoi(argv[2]);
    if (workers > 0)
        settings.workers = std::make_unique<asio::thread_pool>(size_t(workers));
    settings.keepAliveHeader = "timeout=" + std::string(argv[3]);

    asio::io_context io{1};
    tcp::acceptor acceptor(io);
    const tcp::endpoint endpoint(asio::ip::address_v4::loopback(), 0);
    acceptor.open(endpoint.protocol());
    acceptor.set_option(tcp::acceptor::reuse_address(true));
    acceptor.bind(endpoint);
    acceptor.listen(asio::socket_base::max_listen_connections);
    std::printf("%d\n", int(acceptor.local_endpoint().port()));
    std::fflush(stdout);
    accept(acceptor, io, settings);
    io.run();
    return 0;
}
