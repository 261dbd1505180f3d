// Downloads against a loopback HTTP server that the test starts itself. The
// server listens on 127.0.0.1 only, answers a few scripted paths and stops
// by itself: every connection is bounded in time and the server shuts down
// with the test.
#include "platform/foundation/url_connection.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "loopback_server.h"
#include "platform/foundation/run_loop.h"

namespace {

// The scripted paths of these tests.
void answer(tessaly::test::LoopbackServer& server, int client, const tessaly::test::LoopbackServer::Request& request) {
  using tessaly::test::LoopbackServer;
  const std::string& path = request.path;
  if (path == "/echo") {
    // The method, the headers the test looks for, and the body.
    std::string seen = request.method + "\n";
    for (const char* name : {"Content-Type: ", "X-Injected: "})
      if (std::size_t at = request.head.find(name); at != std::string::npos)
        seen += request.head.substr(at, request.head.find("\r\n", at) - at) + "\n";
    LoopbackServer::sendResponse(client, 200, "OK", seen + request.body);
  } else if (path == "/ok") {
    LoopbackServer::sendResponse(client, 200, "OK", "hello world");
  } else if (path == "/redirect") {
    LoopbackServer::sendResponse(client, 302, "Found", "moved", "Location: /ok\r\n");
  } else if (path == "/stall") {
    // Headers and a little of the body, then silence until the test ends.
    LoopbackServer::sendAll(client, "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nConnection: close\r\n\r\npart");
    server.waitUntilStopping(20.0);
  } else {
    LoopbackServer::sendResponse(client, 404, "Not Found", "no such page");
  }
}

// The test's server: one per test, answering the paths above.
class LoopbackServer {
 public:
  LoopbackServer()
      : server_([this](int client, const tessaly::test::LoopbackServer::Request& request) {
          answer(server_, client, request);
        }) {}
  std::string url(const std::string& path) const { return server_.url(path); }

 private:
  tessaly::test::LoopbackServer server_;
};

ns::URLRequest quick(std::string url) {
  ns::URLRequest request;
  request.url = std::move(url);
  request.connectTimeout = 2.0;
  request.stallTimeout = 1.0;
  request.totalTimeout = 10.0;
  return request;
}

TEST(SynchronousRequest, SuccessRedirectAndErrorStatus) {
  LoopbackServer server;
  ns::URLResult ok = ns::sendSynchronousRequest(quick(server.url("/ok")));
  EXPECT_EQ(ok.error, ns::URLError::none);
  EXPECT_EQ(ok.response.statusCode, 200);
  EXPECT_EQ(ok.data, "hello world");
  EXPECT_TRUE(ok.succeeded());

  ns::URLResult moved = ns::sendSynchronousRequest(quick(server.url("/redirect")));
  EXPECT_EQ(moved.response.statusCode, 200);
  EXPECT_EQ(moved.data, "hello world");
  EXPECT_EQ(moved.response.url, server.url("/ok"));

  ns::URLResult missing = ns::sendSynchronousRequest(quick(server.url("/missing")));
  EXPECT_EQ(missing.error, ns::URLError::none);
  EXPECT_EQ(missing.response.statusCode, 404);
  EXPECT_EQ(missing.data, "no such page");
  EXPECT_FALSE(missing.succeeded());

  auto small = quick(server.url("/ok"));
  small.maxBodyBytes = 4;
  EXPECT_EQ(ns::sendSynchronousRequest(small).error, ns::URLError::tooLarge);
  small.maxRedirects = 0;
  small.url = server.url("/redirect");
  EXPECT_EQ(ns::sendSynchronousRequest(small).error, ns::URLError::tooManyRedirects);
}

TEST(SynchronousRequest, ABodyIsPostedWithItsHeadersAndNoInjectedOnes) {
  LoopbackServer server;
  ns::URLRequest request = quick(server.url("/echo"));
  EXPECT_EQ(ns::sendSynchronousRequest(request).data, "GET\n");
  request.body = std::string(100000, 'x') + "{\"a\":1}";
  request.headers = {"Content-Type: application/json", "X-Other: 1\r\nX-Injected: yes"};
  ns::URLResult posted = ns::sendSynchronousRequest(request);
  EXPECT_EQ(posted.data, "POST\nContent-Type: application/json\n" + request.body);
}

TEST(SynchronousRequest, RefusedBadAndStalledTransfersFail) {
  int probe = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  close(probe);  // nobody listens on that port now
  ns::URLResult refused = ns::sendSynchronousRequest(
      quick("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/"));
  EXPECT_EQ(refused.error, ns::URLError::cannotConnect);
  EXPECT_EQ(refused.response.statusCode, 0);
  EXPECT_FALSE(refused.errorMessage.empty());

  EXPECT_EQ(ns::sendSynchronousRequest(quick("file:///etc/passwd")).error, ns::URLError::badURL);
  EXPECT_EQ(ns::sendSynchronousRequest(quick("not a url")).error, ns::URLError::badURL);

  LoopbackServer server;
  ns::URLResult stalled = ns::sendSynchronousRequest(quick(server.url("/stall")));
  EXPECT_EQ(stalled.error, ns::URLError::timedOut);
  EXPECT_FALSE(stalled.succeeded());
}

TEST(SynchronousRequest, CancelStopsAWaitingTransfer) {
  LoopbackServer server;
  std::atomic<bool> cancel{false};
  auto request = quick(server.url("/stall"));
  request.stallTimeout = 30.0;
  std::thread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    cancel = true;
  });
  ns::URLResult result = ns::sendSynchronousRequest(request, &cancel);
  canceller.join();
  EXPECT_EQ(result.error, ns::URLError::cancelled);
}

// Records the delegate messages and stops the loop at the last one.
struct Recorder : ns::URLConnectionDelegate {
  explicit Recorder(ns::RunLoop& loop) : loop(loop) {}
  void didReceiveResponse(ns::URLConnection&, const ns::URLResponse& response) override {
    events.push_back("response " + std::to_string(response.statusCode));
    EXPECT_TRUE(ns::isMainThread());
  }
  void didReceiveData(ns::URLConnection&, std::string_view data) override { body += data; }
  void didFinishLoading(ns::URLConnection&) override {
    events.push_back("finish");
    loop.stop();
  }
  void didFailWithError(ns::URLConnection&, ns::URLError error, const std::string&) override {
    events.push_back("fail " + std::to_string(static_cast<int>(error)));
    loop.stop();
  }
  ns::RunLoop& loop;
  std::vector<std::string> events;
  std::string body;
};

// The main loop on the real clock, with a safety stop.
void runMainLoop(double seconds) {
  auto& loop = ns::RunLoop::main();
  loop.performAfterDelay(&loop, "safety", seconds, [&] { loop.stop(); });
  loop.run();
  loop.cancelPreviousPerformRequests(&loop);
}

TEST(AsynchronousConnection, DelegateMessagesArriveOnTheMainLoop) {
  LoopbackServer server;
  Recorder ok(ns::RunLoop::main());
  auto connection = ns::URLConnection::start(quick(server.url("/ok")), &ok, ns::RunLoop::main());
  runMainLoop(10.0);
  EXPECT_EQ(ok.events, (std::vector<std::string>{"response 200", "finish"}));
  EXPECT_EQ(ok.body, "hello world");

  Recorder missing(ns::RunLoop::main());
  connection = ns::URLConnection::start(quick(server.url("/gone")), &missing, ns::RunLoop::main());
  runMainLoop(10.0);
  EXPECT_EQ(missing.events, (std::vector<std::string>{"response 404", "finish"}));

  Recorder stalled(ns::RunLoop::main());
  connection = ns::URLConnection::start(quick(server.url("/stall")), &stalled, ns::RunLoop::main());
  runMainLoop(10.0);
  ASSERT_EQ(stalled.events.size(), 2u);
  EXPECT_EQ(stalled.events[1], "fail " + std::to_string(static_cast<int>(ns::URLError::timedOut)));
}

// A connection is awaited from its start until its last message has run,
// so that a headless script's wait lets it report.
TEST(AsynchronousConnection, AConnectionIsAwaitedUntilItsLastMessageHasRun) {
  LoopbackServer server;
  auto& loop = ns::RunLoop::main();
  struct Awaited : Recorder {
    using Recorder::Recorder;
    void didFinishLoading(ns::URLConnection& connection) override {
      awaitedInTheLastMessage = loop.awaitingReports();
      Recorder::didFinishLoading(connection);
    }
    bool awaitedInTheLastMessage = false;
  } recorder(loop);
  auto connection = ns::URLConnection::start(quick(server.url("/ok")), &recorder, loop);
  EXPECT_TRUE(loop.awaitingReports());
  runMainLoop(60.0);
  EXPECT_EQ(recorder.events, (std::vector<std::string>{"response 200", "finish"}));
  EXPECT_TRUE(recorder.awaitedInTheLastMessage);
  EXPECT_FALSE(loop.awaitingReports());
}

// Cancelled as its response arrives, a connection says nothing more, and
// stops being awaited once its transfer has ended.
TEST(AsynchronousConnection, CancelledConnectionSendsNothingMore) {
  LoopbackServer server;
  auto& loop = ns::RunLoop::main();
  struct CancelAtResponse : Recorder {
    using Recorder::Recorder;
    void didReceiveResponse(ns::URLConnection& connection, const ns::URLResponse& response) override {
      Recorder::didReceiveResponse(connection, response);
      connection.cancel();
      loop.stop();
    }
  } recorder(loop);
  auto request = quick(server.url("/stall"));
  request.stallTimeout = 30.0;
  auto connection = ns::URLConnection::start(request, &recorder, loop);
  runMainLoop(60.0);
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (loop.awaitingReports() && std::chrono::steady_clock::now() < limit) {
    loop.sleepWhileReportsAwaited(limit);
    loop.runOnce();
  }
  loop.runOnce();
  EXPECT_FALSE(loop.awaitingReports());
  EXPECT_EQ(recorder.events, (std::vector<std::string>{"response 200"}));
}

}  // namespace
