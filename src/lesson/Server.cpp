#include "lesson/Server.h"

#include <array>
#include <atomic>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include "lesson/Network.h"
#include "lesson/Pages.h"
#include "shell/ShellError.h"

namespace lesson {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using boost::system::error_code;
// The server's one io_context, named by its own type rather than a type-erased executor: every
// operation of every connection goes through it.
using Executor = asio::io_context::executor_type;
using Socket = asio::basic_stream_socket<tcp, Executor>;
using Stream = beast::basic_stream<tcp, Executor>;
using Timer = asio::basic_waitable_timer<std::chrono::steady_clock, asio::wait_traits<std::chrono::steady_clock>, Executor>;

namespace {
class Session;
}  // namespace

class Server::Impl {
 public:
  Impl(ServerOptions o, Handler h) : options(std::move(o)), handler(std::move(h)) {}

  void accept(std::size_t which);
  void makeRoom();
  void released();
  void closeAll();
  // Runs work on the server's thread, from any thread, unless the server has stopped.
  void later(std::function<void()> work) {
    const std::lock_guard<std::mutex> lock(laterMutex);
    if (!stopped) asio::post(ioc, std::move(work));
  }

  ServerOptions options;
  Handler handler;
  asio::io_context ioc{1};
  std::vector<tcp::acceptor> acceptors;
  std::vector<std::string> bound;
  unsigned short port = 0;
  std::thread thread;
  // Touched on the server's thread alone.
  std::unordered_set<Session*> sessions;
  // With every place taken, a connection accepted waits here for one (a kept connection with
  // nothing to ask giving way to it), and the acceptors wait (the next connections in the
  // system's queue of the listening socket) until one is free.
  std::vector<std::size_t> paused;
  std::vector<Socket> queued;
  // The sessions whose handler answers later, by the number their reply names them by.
  std::unordered_map<std::uint64_t, std::shared_ptr<Session>> awaiting;
  std::uint64_t answered = 0;
  bool crowded = false;        // a connection waits for a place
  bool stopping = false;
  std::atomic<std::size_t> live{0};
  std::mutex laterMutex;
  bool stopped = false;  // the thread has ended: nothing more is posted
};

namespace {

// One connection: requests read whole within their time, each answered, the connection kept
// open between them for a while.
class Session : public std::enable_shared_from_this<Session> {
 public:
  Session(Server::Impl& server, Socket socket)
      : server_(server),
        stream_(std::move(socket)),
        idle_(stream_.get_executor()),
        buffer_(server.options.headerLimit + server.options.bodyLimit + 8192) {
    server_.sessions.insert(this);
    ++server_.live;
    // The connection's two ends, asked of the system once rather than at every request.
    error_code ec;
    const tcp::endpoint local = stream_.socket().local_endpoint(ec);
    if (!ec) {
      localHost_ = urlHost(local.address().to_string());
      localPort_ = local.port();
    }
    const tcp::endpoint remote = stream_.socket().remote_endpoint(ec);
    if (!ec) peer_ = remote.address().to_string();
  }
  ~Session() {
    server_.sessions.erase(this);
    --server_.live;
    server_.released();
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  void read() {
    if (server_.stopping) return;
    parser_.emplace();
    parser_->header_limit(static_cast<std::uint32_t>(server_.options.headerLimit));
    parser_->body_limit(server_.options.bodyLimit);
    stream_.expires_after(server_.options.requestTimeout);
    http::async_read(stream_, buffer_, *parser_,
                     [self = shared_from_this()](error_code ec, std::size_t) { self->onRead(ec); });
  }

  void close() {
    error_code ignored;
    idle_.cancel();
    stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
    stream_.close();
  }

 private:
  void onRead(error_code ec) {
    if (server_.stopping) return;
    if (ec == http::error::body_limit) return refuse(413);
    if (ec == http::error::header_limit || ec == http::error::buffer_overflow) return refuse(431);
    if (ec == http::error::end_of_stream || ec == http::error::partial_message) return close();
    if (ec && ec.category() == http::make_error_code(http::error::bad_target).category()) return refuse(400);
    if (ec) return close();  // the time ran out, or the client went away
    answer();
  }

  void answer() {
    http::request<http::string_body> request = parser_->release();
    HttpRequest in;
    in.method = std::string(request.method_string());
    in.target = std::string(request.target());
    in.contentType = std::string(request[http::field::content_type]);
    in.body = std::move(request.body());
    in.localHost = localHost_;
    in.localPort = localPort_;
    in.peer = peer_;
    version_ = request.version();
    keepAlive_ = request.keep_alive();
    head_ = request.method() == http::verb::head;
    // The session waits in the server's keeping, so that it ends on the server's thread alone;
    // the reply, given on any thread, names it by number.
    const std::uint64_t number = ++server_.answered;
    Server::Impl* server = &server_;
    in.replyLater = [server, number](HttpReply reply) {
      server->later([server, number, reply = std::move(reply)]() mutable {
        const auto at = server->awaiting.find(number);
        if (at == server->awaiting.end()) return;
        const std::shared_ptr<Session> self = std::move(at->second);
        server->awaiting.erase(at);
        if (!server->stopping) self->send(std::move(reply), self->version_, self->keepAlive_, self->head_);
      });
    };
    HttpReply out;
    try {
      out = server_.handler(in);
    } catch (...) {
      out = HttpReply{500, kPageType, refusalPage(500), nullptr, {}};
    }
    if (out.later) {
      // Kept until the reply, which runs on this thread after this: never before it.
      server_.awaiting.emplace(number, shared_from_this());
      return;
    }
    send(std::move(out), version_, keepAlive_, head_);
  }

  void refuse(int status) {
    send(HttpReply{status, kPageType, refusalPage(status), nullptr, {}}, 11, false, false);
  }

  void send(HttpReply reply, unsigned version, bool keepAlive, bool head) {
    reply_ = std::move(reply);
    const std::string& bytes = reply_.shared != nullptr ? *reply_.shared : reply_.body;
    // The reply's head is written here rather than by a serializer of fields: a file's reply is
    // the same few lines each time, and the server's one thread spends its time on the network.
    std::string& h = head_text_;
    h.clear();
    h += version == 10 ? "HTTP/1.0 " : "HTTP/1.1 ";
    h += std::to_string(reply_.status);
    h += ' ';
    h += http::obsolete_reason(http::int_to_status(static_cast<unsigned>(reply_.status)));
    h += "\r\nContent-Type: ";
    h += reply_.contentType;
    // A new lesson must never be served an old lesson's pages from a cache; a page is never
    // taken for another type than the one it is sent as.
    h += "\r\nCache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\n";
    for (const auto& [name, value] : reply_.headers) {
      h += name;
      h += ": ";
      h += value;
      h += "\r\n";
    }
    h += "Content-Length: ";
    h += std::to_string(bytes.size());
    // HTTP/1.1 keeps a connection unless told, HTTP/1.0 closes it unless told.
    if (!keepAlive) {
      h += "\r\nConnection: close";
    } else if (version == 10) {
      h += "\r\nConnection: keep-alive";
    }
    h += "\r\n\r\n";
    const std::array<asio::const_buffer, 2> out{asio::buffer(h),
                                                head ? asio::const_buffer() : asio::buffer(bytes.data(), bytes.size())};
    stream_.expires_after(server_.options.requestTimeout);
    asio::async_write(stream_, out, [self = shared_from_this(), keepAlive](error_code ec, std::size_t) {
      self->onWritten(ec, keepAlive);
    });
  }

  void onWritten(error_code ec, bool keepAlive) {
    if (server_.stopping) return;
    if (ec) return close();
    if (!keepAlive) {
      error_code ignored;
      stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
      return close();
    }
    // The next request of a kept connection: the idle time until its first byte, then the
    // request's own time.
    if (buffer_.size() > 0) return read();
    stream_.expires_never();
    waiting = true;
    idle_.expires_after(server_.options.idleTimeout);
    idle_.async_wait([self = shared_from_this()](error_code e) {
      if (!e && !self->server_.stopping) self->close();
    });
    stream_.socket().async_wait(tcp::socket::wait_read, [self = shared_from_this()](error_code e) {
      self->waiting = false;
      self->idle_.cancel();
      if (self->server_.stopping) return;
      if (e) return self->close();
      self->read();
    });
    // A connection waits for a place: a kept one that has nothing to ask gives way.
    if (server_.crowded) close();
  }

 public:
  // Kept open after a reply, waiting for the client's next request.
  bool waiting = false;

 private:

  Server::Impl& server_;
  Stream stream_;
  std::string localHost_, peer_;
  unsigned short localPort_ = 0;
  // The request being answered: how its reply is sent.
  unsigned version_ = 11;
  bool keepAlive_ = false, head_ = false;
  Timer idle_;
  beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::string_body>> parser_;
  HttpReply reply_;
  std::string head_text_;  // the reply's status line and header fields
};

}  // namespace

void Server::Impl::accept(std::size_t which) {
  if (stopping) return;
  // Every place taken and a connection already waiting for one: the acceptor waits too, and the
  // next connections wait in the system's queue of the listening socket.
  if (sessions.size() >= options.maxConnections && !queued.empty()) {
    paused.push_back(which);
    return;
  }
  acceptors[which].async_accept(ioc.get_executor(), [this, which](error_code ec, Socket socket) {
    if (stopping || ec == asio::error::operation_aborted) return;
    if (ec) {
      // Out of descriptors or memory for a moment: try again shortly rather than stop listening.
      auto timer = std::make_shared<asio::steady_timer>(ioc, std::chrono::milliseconds(100));
      timer->async_wait([this, which, timer](error_code e) {
        if (!e && !stopping) accept(which);
      });
      return;
    }
    if (sessions.size() >= options.maxConnections) {
      // It waits for a place, and a kept connection with nothing to ask gives way to it.
      queued.push_back(std::move(socket));
      crowded = true;
      makeRoom();
    } else {
      std::make_shared<Session>(*this, std::move(socket))->read();
    }
    accept(which);
  });
}

// A kept connection with nothing to ask gives way to a new one (a browser opens another when it
// has something to ask).
void Server::Impl::makeRoom() {
  for (Session* session : sessions) {
    if (session->waiting) {
      session->waiting = false;
      session->close();
      return;
    }
  }
}

// A connection has ended: the one waiting takes its place, or the acceptors go on. Posted, so
// that no session starts inside another's destructor.
void Server::Impl::released() {
  if (stopping || (paused.empty() && queued.empty())) return;
  asio::post(ioc, [this] {
    while (!stopping && sessions.size() < options.maxConnections && !queued.empty()) {
      Socket socket = std::move(queued.front());
      queued.erase(queued.begin());
      std::make_shared<Session>(*this, std::move(socket))->read();
    }
    crowded = !queued.empty();
    while (!stopping && !paused.empty() && (sessions.size() < options.maxConnections || queued.empty())) {
      const std::size_t which = paused.back();
      paused.pop_back();
      accept(which);
    }
  });
}

void Server::Impl::closeAll() {
  stopping = true;
  error_code ignored;
  for (auto& acceptor : acceptors) acceptor.close(ignored);
  // Closing a session drops its pending work; the last handler holding it frees it.
  const std::vector<Session*> open(sessions.begin(), sessions.end());
  for (Session* session : open) session->close();
  queued.clear();
  awaiting.clear();
}

Server::Server(ServerOptions options, Handler handler)
    : impl_(std::make_unique<Impl>(std::move(options), std::move(handler))) {}

Server::~Server() { stop(); }

void Server::open() {
  Impl& s = *impl_;
  std::vector<asio::ip::address> addresses;
  for (const std::string& text : s.options.listen) addresses.push_back(asio::ip::make_address(text));
  for (unsigned port = s.options.firstPort; port <= s.options.lastPort; ++port) {
    std::vector<tcp::acceptor> taken;
    std::vector<std::string> bound;
    bool busy = false;
    for (const asio::ip::address& address : addresses) {
      const tcp::endpoint endpoint(address, static_cast<unsigned short>(port));
      tcp::acceptor acceptor(s.ioc);
      error_code ec;
      acceptor.open(endpoint.protocol(), ec);
      if (ec) continue;  // a family the system does not have
      if (address.is_v6()) acceptor.set_option(asio::ip::v6_only(true), ec);
#ifdef _WIN32
      // No other program may take the port over while the lesson holds it.
      acceptor.set_option(asio::detail::socket_option::boolean<SOL_SOCKET, SO_EXCLUSIVEADDRUSE>(true), ec);
#else
      // A port the last lesson left in TIME_WAIT is free again; a port another program listens
      // on stays taken.
      acceptor.set_option(tcp::acceptor::reuse_address(true), ec);
#endif
      acceptor.bind(endpoint, ec);
      if (ec == asio::error::address_in_use || ec == asio::error::access_denied) {
        busy = true;
        break;
      }
      if (ec) continue;  // an address this computer does not have
      acceptor.listen(asio::socket_base::max_listen_connections, ec);
      if (ec) {
        busy = true;
        break;
      }
      taken.push_back(std::move(acceptor));
      bound.push_back(address.to_string());
    }
    if (busy || taken.empty()) continue;
    s.acceptors = std::move(taken);
    s.bound = std::move(bound);
    s.port = static_cast<unsigned short>(port);
    return;
  }
  if (s.options.firstPort == s.options.lastPort) {
    throw shell::ShellError("", "не удалось начать урок: порт " + std::to_string(s.options.firstPort) +
                                    " занят другой программой или недоступен на этом компьютере");
  }
  throw shell::ShellError("", "не удалось начать урок: порты с " + std::to_string(s.options.firstPort) + " по " +
                                  std::to_string(s.options.lastPort) +
                                  " заняты другими программами или недоступны на этом компьютере");
}

void Server::run() {
  Impl& s = *impl_;
  if (s.thread.joinable() || s.acceptors.empty()) return;
  for (std::size_t i = 0; i < s.acceptors.size(); ++i) s.accept(i);
  s.thread = std::thread([&s] {
    for (;;) {
      try {
        s.ioc.run();
        return;
      } catch (...) {
        // A handler that threw loses its request; the lesson goes on.
      }
    }
  });
}

void Server::stop() {
  Impl& s = *impl_;
  if (s.thread.joinable()) {
    asio::post(s.ioc, [&s] { s.closeAll(); });
    s.thread.join();
  } else {
    s.closeAll();
  }
  {
    const std::lock_guard<std::mutex> lock(s.laterMutex);
    s.stopped = true;
  }
  // Replies given later that came after the thread ended: dropped now, their connections freed
  // while the server is whole.
  s.ioc.restart();
  s.ioc.poll();
}

unsigned short Server::port() const { return impl_->port; }

std::vector<std::string> Server::listening() const { return impl_->bound; }

std::size_t Server::connections() const { return impl_->live; }

}  // namespace lesson
