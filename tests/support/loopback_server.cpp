// A scripted HTTP server on the loopback interface for client tests.
#include "loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>

namespace tessaly::test {

LoopbackServer::LoopbackServer(Handler handler) : handler_(std::move(handler)) {
  listener_ = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
  listen(listener_, 16);
  socklen_t length = sizeof address;
  getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread([this] { acceptLoop(); });
}

LoopbackServer::~LoopbackServer() {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    stopping_ = true;
  }
  stopped_.notify_all();
  acceptor_.join();
  for (auto& handler : handlers_) handler.join();
  close(listener_);
}

std::string LoopbackServer::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void LoopbackServer::sendAll(int client, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t sent = ::send(client, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent <= 0) return;  // the client went away: nothing more to say
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
}

void LoopbackServer::sendResponse(int client, int status, std::string_view reason,
                                  std::string_view body, std::string_view extraHeaders) {
  std::string head = "HTTP/1.1 " + std::to_string(status) + " " + std::string(reason) +
                     "\r\nContent-Length: " + std::to_string(body.size()) +
                     "\r\nConnection: close\r\n" + std::string(extraHeaders) + "\r\n";
  sendAll(client, head);
  sendAll(client, body);
}

bool LoopbackServer::waitUntilStopping(double seconds) {
  std::unique_lock<std::mutex> lock(mutex_);
  return stopped_.wait_for(lock, std::chrono::duration<double>(seconds), [this] { return stopping_; });
}

// Ends on its own after a minute even if the test forgets it.
void LoopbackServer::acceptLoop() {
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < end) {
    {
      std::lock_guard<std::mutex> guard(mutex_);
      if (stopping_) return;
    }
    pollfd ready{listener_, POLLIN, 0};
    if (poll(&ready, 1, 50) <= 0) continue;
    int client = accept(listener_, nullptr, nullptr);
    if (client >= 0) handlers_.emplace_back([this, client] { serve(client); });
  }
}

void LoopbackServer::serve(int client) {
  Request request;
  char buffer[4096];
  while (request.head.find("\r\n\r\n") == std::string::npos && request.head.size() < 65536) {
    pollfd ready{client, POLLIN, 0};
    if (poll(&ready, 1, 2000) <= 0) break;
    ssize_t got = read(client, buffer, sizeof buffer);
    if (got <= 0) break;
    request.head.append(buffer, static_cast<std::size_t>(got));
  }
  // What followed the blank line is the body; a Content-Length says how
  // much more to wait for (at most 1 MiB).
  if (std::size_t end = request.head.find("\r\n\r\n"); end != std::string::npos) {
    request.body = request.head.substr(end + 4);
    request.head.resize(end + 4);
    std::string lower = request.head;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::size_t expected = 0;
    if (std::size_t at = lower.find("\r\ncontent-length:"); at != std::string::npos)
      expected = std::min<std::size_t>(std::strtoul(lower.c_str() + at + 17, nullptr, 10), 1 << 20);
    while (request.body.size() < expected) {
      pollfd ready{client, POLLIN, 0};
      if (poll(&ready, 1, 2000) <= 0) break;
      ssize_t got = read(client, buffer, sizeof buffer);
      if (got <= 0) break;
      request.body.append(buffer, static_cast<std::size_t>(got));
    }
  }
  std::size_t methodEnd = request.head.find(' ');
  if (methodEnd != std::string::npos) {
    request.method = request.head.substr(0, methodEnd);
    std::size_t pathEnd = request.head.find(' ', methodEnd + 1);
    if (pathEnd != std::string::npos) request.path = request.head.substr(methodEnd + 1, pathEnd - methodEnd - 1);
  }
  handler_(client, request);
  close(client);
}

}  // namespace tessaly::test
