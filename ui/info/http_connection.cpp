// The request side of the HTTP client: the URL, the name lookup, the
// connection and the request's head.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ui/info/http_client.h"
#include "ui/info/http_wait.h"

namespace {

constexpr int kDefaultPort = 80;

// Sends all of it unless the connection fails; false then. A closed peer
// gives an error, not SIGPIPE.
bool sendAll(int socket, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t sent = send(socket, data, size, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<std::size_t>(sent);
  }
  return true;
}

bool setBlocking(int socket, bool blocking) {
  const int flags = fcntl(socket, F_GETFL, 0);
  if (flags < 0) return false;
  return fcntl(socket, F_SETFL, blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK) == 0;
}

}  // namespace

bool httpSplitURL(const char* url, std::string* host, std::string* path, int* port) {
  if (url == nullptr) return false;
  for (const char* c = url; *c != '\0'; ++c)
    if (static_cast<unsigned char>(*c) <= ' ' || *c == 0x7F) return false;
  const char* rest = std::strstr(url, "://");
  rest = rest != nullptr ? rest + 3 : url;
  const char* slash = std::strchr(rest, '/');
  std::string authority = slash != nullptr ? std::string(rest, slash) : std::string(rest);
  int number = kDefaultPort;
  const std::size_t colon = authority.find(':');
  if (colon != std::string::npos) {
    const std::string digits = authority.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
      return false;
    number = std::atoi(digits.c_str());
    if (number < 1 || number > 65535) return false;
    authority.resize(colon);
  }
  if (authority.empty()) return false;
  if (host != nullptr) *host = authority;
  if (path != nullptr) *path = slash != nullptr ? std::string(slash) : std::string("/");
  if (port != nullptr) *port = number;
  return true;
}

int httpResolveHost(const char* host, in_addr* addresses, int maximum) {
  if (host == nullptr || addresses == nullptr) return 0;
  maximum = std::min(maximum, kHttpMaxAddresses);
  if (maximum < 1) return 0;
  if (inet_pton(AF_INET, host, &addresses[0]) == 1) return 1;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* results = nullptr;
  if (getaddrinfo(host, nullptr, &hints, &results) != 0) return 0;
  int count = 0;
  for (const addrinfo* entry = results; entry != nullptr && count < maximum;
       entry = entry->ai_next) {
    if (entry->ai_family != AF_INET || entry->ai_addr == nullptr) continue;
    addresses[count++] = reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr;
  }
  freeaddrinfo(results);
  return count;
}

int httpConnect(in_addr address, int port, double timeout) {
  const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (socket < 0) return -1;
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_port = htons(static_cast<std::uint16_t>(port));
  target.sin_addr = address;
  bool connected = false;
  if (setBlocking(socket, false)) {
    if (connect(socket, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) {
      connected = true;
    } else if (errno == EINPROGRESS) {
      // poll, unlike select, takes any descriptor number.
      const double waitMs = std::isfinite(timeout) && timeout > 0
                                ? std::min(std::ceil(timeout * 1000.0), 2.0e9)
                                : 0.0;
      const double end = monotonicMilliseconds() + waitMs;
      for (;;) {
        pollfd entry{socket, POLLOUT, 0};
        const int left = static_cast<int>(std::max(0.0, std::ceil(end - monotonicMilliseconds())));
        const int ready = poll(&entry, 1, left);
        if (ready < 0 && errno == EINTR) continue;
        int error = 0;
        socklen_t size = sizeof error;
        connected = ready > 0 && getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &size) == 0 &&
                    error == 0;
        break;
      }
    }
  }
  if (!connected || !setBlocking(socket, true)) {
    close(socket);
    return -1;
  }
  return socket;
}

int httpOpenRequest(const char* url, long bodyLength, double timeout) {
  std::string host, path;
  int port = kDefaultPort;
  if (!httpSplitURL(url, &host, &path, &port)) return -1;
  in_addr addresses[kHttpMaxAddresses];
  const int count = httpResolveHost(host.c_str(), addresses, kHttpMaxAddresses);
  int socket = -1;
  for (int i = 0; i < count && socket < 0; ++i) socket = httpConnect(addresses[i], port, timeout);
  if (socket < 0) return -1;
  // The Host field names the port when it is not HTTP's own.
  if (port != kDefaultPort) host += ":" + std::to_string(port);
  std::string head;
  if (bodyLength == 0) {
    head = "GET " + path + " HTTP/1.1\r\nHost: " + host + "\r\n\r\n";
  } else {
    head = "POST " + path + " HTTP/1.1\r\nHost: " + host +
           "\r\nContent-Length: " + std::to_string(bodyLength) + "\r\n\r\n";
  }
  // A failed send shows as a missing response.
  sendAll(socket, head.data(), head.size());
  return socket;
}

bool httpSendBody(int socket, const char* body, long length) {
  return length < 1 || (sendAll(socket, body, static_cast<std::size_t>(length)) &&
                        sendAll(socket, "\r\n", 2));
}
