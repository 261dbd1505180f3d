// A scripted HTTP server on 127.0.0.1 for tests of network clients. The test
// gives one handler that receives each connection with the request head the
// client sent (read up to the blank line, at most 64 KiB) and answers with
// whatever bytes, pauses and early closes the case needs.
//
// Thread rules: the handler runs on one thread per connection; the server
// ends every connection thread when it is destroyed (a handler waiting in
// `waitUntilStopping` returns then) and stops accepting after a minute even
// if the test forgets it.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace tessaly::test {

class LoopbackServer {
 public:
  struct Request {
    std::string head;  // request line and headers as received, to the blank line
    std::string body;  // what followed, up to its Content-Length
    std::string method;
    std::string path;  // the request target, e.g. "/ok?x=1"
  };
  // Writes the answer to `client`; the server closes it afterwards.
  using Handler = std::function<void(int client, const Request& request)>;

  explicit LoopbackServer(Handler handler);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int port() const { return port_; }
  std::string url(const std::string& path) const;

  // Helpers for handlers.
  static void sendAll(int client, std::string_view bytes);
  // A complete response with Content-Length and Connection: close.
  static void sendResponse(int client, int status, std::string_view reason, std::string_view body,
                           std::string_view extraHeaders = {});
  // Blocks until the server is being destroyed or `seconds` have passed;
  // true when the server is stopping.
  bool waitUntilStopping(double seconds);

 private:
  void acceptLoop();
  void serve(int client);

  Handler handler_;
  int listener_ = -1;
  int port_ = 0;
  std::thread acceptor_;
  std::vector<std::thread> handlers_;  // only the acceptor adds, joined after it
  std::mutex mutex_;
  std::condition_variable stopped_;
  bool stopping_ = false;
};

}  // namespace tessaly::test
