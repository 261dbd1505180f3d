// Mutated responses through the header, status, length and body readers
// over a socket pair: nothing is read past a buffer, every header is
// terminated within its buffer, and no body is longer than its room or its
// Content-Length. Both a whole response and a refused one must be common.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "tests/support/fuzz.h"
#include "ui/info/http_client.h"

namespace {

struct Outcome {
  int headers = 0, bodies = 0, refused = 0;
};

void readResponse(std::string_view bytes, Outcome& outcome, bool callerBuffer) {
  int pair[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
  // All of it waits in the socket before the reader starts; then the
  // writer's end closes.
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(pair[1], bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) break;
    sent += static_cast<std::size_t>(n);
  }
  close(pair[1]);
  // Exact sizes, so that the sanitizers see any byte past them.
  const int headerSize = 256 + static_cast<int>(bytes.size() % 700);
  std::unique_ptr<char[]> header(new char[static_cast<std::size_t>(headerSize)]);
  const int headerLength = httpReadHeader(pair[0], header.get(), headerSize, 0.05);
  ASSERT_LT(headerLength, headerSize);
  ASSERT_EQ(header[static_cast<std::size_t>(headerLength)], '\0');
  if (headerLength == 0) {
    ++outcome.refused;
    close(pair[0]);
    return;
  }
  ++outcome.headers;
  ASSERT_EQ(static_cast<int>(std::strlen(header.get())) <= headerLength, true);
  const int status = httpStatusCode(header.get());
  ASSERT_TRUE(status >= 0 && status <= 999);
  const long contentLength = httpContentLength(header.get());
  ASSERT_GE(contentLength, -2);
  httpHasTransferCoding(header.get());
  if (contentLength != -2) {
    const long capacity = callerBuffer ? 1 + static_cast<long>(bytes.size() % 300) : 0;
    std::unique_ptr<char[]> room(callerBuffer ? new char[static_cast<std::size_t>(capacity)] : nullptr);
    long length = -1;
    char* body = httpReadBody(pair[0], room.get(), capacity, &length, contentLength, 0.05);
    ASSERT_GE(length, 0);
    ASSERT_TRUE(contentLength < 0 || length <= contentLength);
    if (callerBuffer) {
      ASSERT_EQ(body, room.get());
      ASSERT_LT(length, capacity);
    } else if (body != nullptr) {
      ASSERT_LE(length, kHttpMaxOwnBody);
    }
    if (body != nullptr) {
      ASSERT_EQ(body[length], '\0');
      if (length > 0) ++outcome.bodies;
    }
    if (!callerBuffer) std::free(body);
  }
  close(pair[0]);
}

TEST(HttpClientFuzz, MutatedResponsesStayWithinTheirBuffers) {
  const std::vector<std::string> seeds = {
      "HTTP/1.1 200 OK\r\nContent-Length: 11\r\n\r\nhello world",
      "HTTP/1.0 200 OK\r\n\r\nno length, until closed",
      "HTTP/1.1 200 OK\ncontent-length: 4\n\nbody",
      "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found",
      "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n",
      "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nshort",
      "HTTP/1.1 200 OK\r\nServer: x\r\nContent-Length: 3\r\nX: " + std::string(300, 'y') +
          "\r\n\r\nabc",
  };
  Outcome outcome;
  int i = 0;
  tessaly::test::FuzzOptions options;
  options.iterations = tessaly::test::fuzzIterations(20000);
  options.maxSize = 4096;
  tessaly::test::fuzz(std::vector<tessaly::test::Bytes>(seeds.begin(), seeds.end()),
                      [&](std::string_view bytes) { readResponse(bytes, outcome, ++i % 2 == 0); },
                      options);
  std::printf("%d whole headers (%d with a body), %d refused\n", outcome.headers, outcome.bodies,
              outcome.refused);
  EXPECT_GT(outcome.headers, i / 10);
  EXPECT_GT(outcome.bodies, i / 20);
  EXPECT_GT(outcome.refused, i / 10);
}

}  // namespace
