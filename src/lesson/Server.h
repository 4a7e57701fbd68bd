#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lesson {

// A reply: its status, type and body. The body is `body`, or when `shared` is set the bytes it
// views, which stay valid as long as the server runs (the snapshot's files). A handler that
// answers later returns a reply with `later` set and calls the request's `replyLater` instead.
struct HttpReply {
  int status = 200;
  std::string contentType;
  std::string body;
  const std::string* shared = nullptr;
  std::vector<std::pair<std::string, std::string>> headers;  // more header fields ("Allow")
  bool later = false;
};

// A request as the server read it, whole.
struct HttpRequest {
  std::string method;       // "GET", "HEAD", "POST", ...
  std::string target;       // as sent
  std::string contentType;  // the Content-Type header, or empty
  std::string body;
  std::string localHost;    // the address the request came in on, as a URL writes it ("[::1]")
  unsigned short localPort = 0;
  std::string peer;         // the client's address
  // The reply of a request whose handler answers later: call it once, from any thread, before
  // the server is destroyed; the server sends the reply on its own thread, unless it has stopped
  // meanwhile.
  std::function<void(HttpReply)> replyLater;
};

struct ServerOptions {
  // Every address of the computer: each interface, the loopback too; IPv6 apart from IPv4.
  std::vector<std::string> listen{"0.0.0.0", "::"};
  // The first port free on every address is taken; a port another program holds is skipped.
  unsigned short firstPort = 8090, lastPort = 8189;
  // Connections served at once; more wait in the system's queue until one ends.
  std::size_t maxConnections = 200;
  std::size_t headerLimit = 8 * 1024, bodyLimit = 64 * 1024;
  // The time for the whole of one request (its headers and body) and for writing its reply; a
  // client that trickles its bytes is cut off. And how long a kept-alive connection may wait idle.
  std::chrono::milliseconds requestTimeout{10000}, idleTimeout{15000};
};

// An HTTP/1.1 server on a thread of its own. Every request is answered by the handler on that
// thread, one at a time; a stop waits for the one being answered. The server keeps its bounds
// (connections, sizes, times) whatever clients send; a refused request gets a small Russian page.
// The handler sees HEAD as it is and returns the reply of a GET; the server sends its headers
// alone. A handler may answer later (HttpReply::later); the connection then waits for it.
class Server {
 public:
  using Handler = std::function<HttpReply(const HttpRequest&)>;

  Server(ServerOptions options, Handler handler);
  ~Server();  // stops
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Binds the first port free on every address of the options (an address this computer lacks,
  // an IPv6 the system has switched off, is left out). Throws shell::ShellError when no port of
  // the range can be had.
  void open();
  // Starts answering, on the server's own thread.
  void run();
  // Closes the listening sockets and every connection and joins the thread; waits for a request
  // being answered. A reply given later after the stop is dropped. Never call it from the handler.
  void stop();

  unsigned short port() const;
  // The addresses listened on ("0.0.0.0", "::"), as bound.
  std::vector<std::string> listening() const;
  // Connections open now (for tests and the window's figures).
  std::size_t connections() const;

  class Impl;  // the server's state, in Server.cpp alone

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace lesson
