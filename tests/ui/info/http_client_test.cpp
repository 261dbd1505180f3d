// The HTTP client against scripted servers on the loopback interface:
// what it sends, how it reads each kind of answer, how long it waits, and
// what it refuses. Waits are asserted with wide margins only.
#include "ui/info/http_client.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/loopback_server.h"

namespace {

using tessaly::test::LoopbackServer;
using Clock = std::chrono::steady_clock;

struct Response {
  int status = 0;
  long length = 0;
  std::string body;
  bool hasBody = false;
  double seconds = 0;
};

// One GET with the client's own buffers.
Response get(const std::string& url, double timeout = 2.0) {
  Response r;
  r.length = -7;
  const auto start = Clock::now();
  char* body = httpGet(url.c_str(), nullptr, 0, &r.status, nullptr, &r.length, timeout);
  r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  r.hasBody = body != nullptr;
  if (body != nullptr) r.body.assign(body, static_cast<std::size_t>(std::max(r.length, 0L)));
  std::free(body);
  return r;
}

TEST(HttpURL, HostPathAndPortOrRefusal) {
  struct Case {
    const char* url;
    const char* host;
    const char* path;
    int port;
  };
  const Case accepted[] = {{"http://example.org/path?x=1", "example.org", "/path?x=1", 80},
                           {"example.org", "example.org", "/", 80},
                           {"ftp://127.0.0.1:8080/a/b", "127.0.0.1", "/a/b", 8080},
                           {"host:65535", "host", "/", 65535}};
  for (const Case& c : accepted) {
    std::string host, path;
    int port = 0;
    ASSERT_TRUE(httpSplitURL(c.url, &host, &path, &port)) << c.url;
    EXPECT_EQ(host, c.host);
    EXPECT_EQ(path, c.path);
    EXPECT_EQ(port, c.port);
  }
  for (const char* url : {"", "http:///x", "host:", "host:0", "host:65536", "host:8a/x",
                          "host/a b", "host/x\r\nX-Injected: 1", "host/\x7f", "host/\t"})
    EXPECT_FALSE(httpSplitURL(url, nullptr, nullptr, nullptr)) << url;
  EXPECT_FALSE(httpSplitURL(nullptr, nullptr, nullptr, nullptr));
}

TEST(HttpURL, AddressesOfDottedTextsAndNames) {
  in_addr addresses[kHttpMaxAddresses];
  EXPECT_EQ(httpResolveHost("127.0.0.1", addresses, 8), 1);
  EXPECT_EQ(addresses[0].s_addr, htonl(0x7F000001));
  EXPECT_EQ(httpResolveHost("255.255.255.255", addresses, 8), 1);
  ASSERT_GE(httpResolveHost("localhost", addresses, 8), 1);
  EXPECT_EQ(httpResolveHost("no-such-host.invalid", addresses, 8), 0);
  EXPECT_EQ(httpResolveHost("127.0.0.1", addresses, 0), 0);
}

TEST(HttpClient, SendsItsRequestAndReadsBodiesWithAndWithoutLength) {
  std::string head, posted;
  LoopbackServer server([&](int client, const LoopbackServer::Request& request) {
    head = request.head;
    if (request.path == "/length?x=1") LoopbackServer::sendResponse(client, 200, "OK", "hello");
    if (request.path == "/close") LoopbackServer::sendAll(client, "HTTP/1.0 200 OK\r\n\r\nuntil closed");
    if (request.path == "/lf") LoopbackServer::sendAll(client, "HTTP/1.1 200 OK\ncontent-length: 2\n\nhi");
    if (request.path == "/missing") LoopbackServer::sendResponse(client, 404, "Not Found", "nothing here");
    if (request.path == "/empty") LoopbackServer::sendResponse(client, 200, "OK", "");
  });
  Response r = get(server.url("/length?x=1"));
  EXPECT_EQ(head, "GET /length?x=1 HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.port()) + "\r\n\r\n");
  EXPECT_TRUE(r.status == 200 && r.length == 5 && r.body == "hello");
  // The peer's close ends a body without length at once, not at the time-out.
  r = get(server.url("/close"), 5);
  EXPECT_TRUE(r.status == 200 && r.body == "until closed");
  EXPECT_LT(r.seconds, 2.5);
  r = get(server.url("/lf"));
  EXPECT_TRUE(r.status == 200 && r.body == "hi");
  r = get(server.url("/missing"));
  EXPECT_TRUE(r.status == 404 && r.length == 0 && !r.hasBody);
  r = get(server.url("/empty"));
  EXPECT_TRUE(r.status == 200 && r.length == 0 && !r.hasBody);

  LoopbackServer poster([&](int client, const LoopbackServer::Request& request) {
    posted = request.head + request.body;
    char rest[64];
    while (posted.find("data\r\n") == std::string::npos) {
      const ssize_t got = read(client, rest, sizeof rest);
      if (got <= 0) break;
      posted.append(rest, static_cast<std::size_t>(got));
    }
    LoopbackServer::sendResponse(client, 200, "OK", "done");
  });
  int status = 0;
  long length = 0;
  char* body = httpRequest(poster.url("/p").c_str(), "data", 4, nullptr, 0, &status, nullptr, &length, 2);
  EXPECT_NE(posted.find("POST /p HTTP/1.1\r\n"), std::string::npos) << posted;
  EXPECT_NE(posted.find("Content-Length: 4\r\n\r\ndata\r\n"), std::string::npos) << posted;
  EXPECT_STREQ(body, "done");
  std::free(body);
}

TEST(HttpClient, SilenceAndTheOverallDeadline) {
  // Handlers wait on the server, so that its end ends them.
  LoopbackServer server([&server](int client, const LoopbackServer::Request& request) {
    if (request.path == "/pieces") {
      LoopbackServer::sendAll(client, "HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\n");
      for (const char* piece : {"abc", "def", "ghi"}) {
        if (server.waitUntilStopping(0.6)) return;
        LoopbackServer::sendAll(client, piece);
      }
    }
    if (request.path == "/trickle") {
      LoopbackServer::sendAll(client, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n");
      for (int i = 0; i < 20; ++i) {
        LoopbackServer::sendAll(client, "x");
        if (server.waitUntilStopping(0.4)) return;
      }
    }
  });
  LoopbackServer silent([&](int, const LoopbackServer::Request&) { silent.waitUntilStopping(20); });
  Response r = get(silent.url("/"), 1);
  EXPECT_EQ(r.status, -1);
  EXPECT_TRUE(r.seconds > 0.8 && r.seconds < 3) << r.seconds;
  EXPECT_EQ(r.length, -7) << "no header: the length stays";
  // Pieces 0.6 s apart with a time-out of 1 s: 1.8 s in all, read whole.
  r = get(server.url("/pieces"), 1);
  EXPECT_TRUE(r.status == 200 && r.body == "abcdefghi") << r.body;
  EXPECT_GT(r.seconds, 1.5);
  // A byte every 0.4 s never falls silent for 1 s, but four time-outs end it.
  r = get(server.url("/trickle"), 1);
  EXPECT_TRUE(r.status == 200 && r.length == 0 && !r.hasBody);
  EXPECT_TRUE(r.seconds > 3.5 && r.seconds < 6.5) << r.seconds;
  // A time-out of 0 waits for nothing.
  EXPECT_EQ(get(server.url("/pieces"), 0).status, -1);
}

TEST(HttpClient, RefusedLengthsHeadersAndCodings) {
  LoopbackServer server([](int client, const LoopbackServer::Request& request) {
    const std::string path = request.path;
    std::string head = "HTTP/1.1 200 OK\r\n";
    if (path == "/huge") head += "Content-Length: 1000000000000\r\n";
    if (path == "/negative") head += "Content-Length: -5\r\n";
    if (path == "/overflow") head += "Content-Length: 99999999999999999999999\r\n";
    if (path == "/short") head += "Content-Length: 50\r\n";
    if (path == "/chunked") head += "Transfer-Encoding: chunked\r\n";
    if (path == "/long") head += "X-Long: " + std::string(5000, 'a') + "\r\n";
    if (path == "/cut") return LoopbackServer::sendAll(client, "HTTP/1.1 200 OK\r\nContent-Le");
    LoopbackServer::sendAll(client, head + "\r\n5\r\nhello\r\n0\r\n\r\n");
  });
  for (const char* path : {"/huge", "/negative", "/overflow", "/short", "/chunked"}) {
    const Response r = get(server.url(path), 5);
    EXPECT_TRUE(r.status == 200 && r.length == 0 && !r.hasBody) << path << ": " << r.body;
    EXPECT_LT(r.seconds, 2.5) << path;
  }
  for (const char* path : {"/long", "/cut"}) {
    const Response r = get(server.url(path), 5);
    EXPECT_EQ(r.status, -1) << path;
    EXPECT_LT(r.seconds, 2.5) << path;
  }
  EXPECT_EQ(httpContentLength("HTTP/1.1 200 OK\r\nCONTENT-length :  12 \r\n\r\n"), 12);
  EXPECT_EQ(httpContentLength("HTTP/1.1 200 OK\r\nX-Content-Length: 12\r\n\r\n"), -1);
  EXPECT_EQ(httpStatusCode("HTTP/1.0 301 Moved\r\n\r\n"), 301);
  EXPECT_EQ(httpStatusCode("SIP/2.0 200 OK\r\n\r\n"), 0);
}

TEST(HttpClient, ACallersBufferOfExactlyTheBodysSize) {
  LoopbackServer server([](int client, const LoopbackServer::Request&) {
    LoopbackServer::sendResponse(client, 200, "OK", "hello");
  });
  // Five bytes on the heap: the terminator takes the last.
  char* buffer = static_cast<char*>(std::malloc(5));
  std::vector<char> header(64, '\0');
  int status = 0;
  long length = 5;
  char* body = httpGet(server.url("/").c_str(), header.data(), static_cast<int>(header.size()), &status,
                       buffer, &length, 2);
  EXPECT_EQ(body, buffer);
  EXPECT_EQ(length, 4);
  EXPECT_STREQ(buffer, "hell");
  EXPECT_EQ(status, 200);
  EXPECT_EQ(std::string(header.data()).rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
  std::free(buffer);
}

TEST(HttpClient, APeerClosingDuringALargePostLeavesTheProcessAlive) {
  LoopbackServer server([](int, const LoopbackServer::Request&) {});
  const std::string large(16 << 20, 'p');
  int status = 0;
  long length = 0;
  char* body = httpRequest(server.url("/upload").c_str(), large.data(), static_cast<long>(large.size()),
                           nullptr, 0, &status, nullptr, &length, 2);
  EXPECT_EQ(body, nullptr);
  EXPECT_EQ(status, -1);
  // The body sent only once the server has closed: the first piece goes
  // out, the next meets the reset.
  const int socket = httpOpenRequest(server.url("/upload").c_str(), static_cast<long>(large.size()), 2);
  ASSERT_GE(socket, 0);
  pollfd closed{socket, POLLIN, 0};
  ASSERT_EQ(poll(&closed, 1, 5000), 1);
  EXPECT_FALSE(httpSendBody(socket, large.data(), static_cast<long>(large.size())));
  close(socket);
}

TEST(HttpClient, DescriptorsAbove1023) {
  rlimit limit{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
  const rlimit saved = limit;
  limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, 2048);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &limit), 0);
  ASSERT_GE(limit.rlim_cur, 1100u) << "the hard limit does not allow descriptors above 1023";
  std::vector<int> held;
  while (held.empty() || held.back() < 1100) {
    held.push_back(dup(2));
    ASSERT_GE(held.back(), 0);
  }
  LoopbackServer server([](int client, const LoopbackServer::Request&) {
    LoopbackServer::sendResponse(client, 200, "OK", "high");
  });
  const Response r = get(server.url("/"));
  EXPECT_TRUE(r.status == 200 && r.body == "high");
  for (int fd : held) close(fd);
  setrlimit(RLIMIT_NOFILE, &saved);
}

}  // namespace
