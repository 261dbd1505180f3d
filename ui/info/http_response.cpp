// The response side of the HTTP client: receiving, the header and its
// fields, and the body.
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "ui/info/http_client.h"
#include "ui/info/http_wait.h"

namespace {

bool endsHeader(const char* text, int count) {
  return (count >= 2 && text[count - 1] == '\n' && text[count - 2] == '\n') ||
         (count >= 4 && std::memcmp(text + count - 4, "\r\n\r\n", 4) == 0);
}

// The value of a header field (name in any case), without the blanks
// around it: its start, and its length in `length`; null when the header
// has no such field. The status line is not a field.
const char* headerField(const char* header, const char* name, std::size_t* length) {
  if (header == nullptr) return nullptr;
  const std::size_t nameLength = std::strlen(name);
  const char* line = std::strchr(header, '\n');
  while (line != nullptr) {
    ++line;
    const std::size_t lineLength = std::strcspn(line, "\r\n");
    if (lineLength > nameLength && strncasecmp(line, name, nameLength) == 0) {
      const char* c = line + nameLength;
      while (*c == ' ' || *c == '\t') ++c;
      if (*c == ':') {
        ++c;
        while (*c == ' ' || *c == '\t') ++c;
        std::size_t valueLength = std::strcspn(c, "\r\n");
        while (valueLength > 0 && (c[valueLength - 1] == ' ' || c[valueLength - 1] == '\t'))
          --valueLength;
        *length = valueLength;
        return c;
      }
    }
    line = std::strchr(line, '\n');
  }
  return nullptr;
}

}  // namespace

int httpReceiveAvailable(int socket, char* buffer, int max, bool* closed) {
  if (closed != nullptr) *closed = false;
  if (buffer == nullptr) {
    int waiting = 0;
    return ioctl(socket, FIONREAD, &waiting) == 0 ? waiting : -1;
  }
  int total = 0;
  while (total < max) {
    const ssize_t received = recv(socket, buffer + total, static_cast<std::size_t>(max - total),
                                  MSG_DONTWAIT);
    if (received > 0) {
      total += static_cast<int>(received);
    } else if (received == 0) {
      if (closed != nullptr) *closed = true;
      break;
    } else if (errno != EINTR) {
      // Nothing waiting; a failure after some bytes shows at the next call.
      if (errno != EAGAIN && errno != EWOULDBLOCK && total == 0) return -1;
      break;
    }
  }
  return total;
}

int httpReadHeader(int socket, char* buffer, int size, double timeout) {
  if (buffer == nullptr || size < 1) return 0;
  buffer[0] = '\0';
  HttpDeadline deadline(timeout);
  if (deadline.expired()) return 0;
  int count = 0;
  // One byte at a time: whatever follows the blank line is the body's.
  while (count < size - 1) {
    bool closed = false;
    const int received = httpReceiveAvailable(socket, buffer + count, 1, &closed);
    if (received < 0) break;
    if (received == 1) {
      buffer[++count] = '\0';
      deadline.heard();
      if (endsHeader(buffer, count)) return count;
      continue;
    }
    if (closed || !waitReadable(socket, deadline)) break;
  }
  // A part of a header is no header.
  buffer[0] = '\0';
  return 0;
}

int httpStatusCode(const char* header) {
  if (header == nullptr ||
      (std::strncmp(header, "HTTP/1.1 ", 9) != 0 && std::strncmp(header, "HTTP/1.0 ", 9) != 0))
    return 0;
  const char* digits = header + 9;
  for (int i = 0; i < 3; ++i)
    if (digits[i] < '0' || digits[i] > '9') return 0;
  if (digits[3] != ' ' && digits[3] != '\r' && digits[3] != '\n' && digits[3] != '\0') return 0;
  return (digits[0] - '0') * 100 + (digits[1] - '0') * 10 + (digits[2] - '0');
}

long httpContentLength(const char* header) {
  std::size_t length = 0;
  const char* value = headerField(header, "Content-Length", &length);
  if (value == nullptr) return -1;
  if (length == 0) return -2;
  long number = 0;
  for (std::size_t i = 0; i < length; ++i) {
    if (value[i] < '0' || value[i] > '9') return -2;
    const int digit = value[i] - '0';
    if (number > (LONG_MAX - digit) / 10) return -2;
    number = number * 10 + digit;
  }
  return number;
}

bool httpHasTransferCoding(const char* header) {
  std::size_t length = 0;
  return headerField(header, "Transfer-Encoding", &length) != nullptr;
}

char* httpReadBody(int socket, char* buffer, long capacity, long* length, long contentLength,
                   double timeout) {
  long ignored = 0;
  if (length == nullptr) length = &ignored;
  *length = 0;
  const bool own = buffer == nullptr || capacity <= 0;
  long wanted;
  if (own) {
    if (contentLength > kHttpMaxOwnBody) return nullptr;
    wanted = contentLength >= 0 ? contentLength : kHttpDefaultBodySize;
    buffer = static_cast<char*>(std::calloc(static_cast<std::size_t>(wanted) + 1, 1));
    if (buffer == nullptr) return nullptr;
  } else {
    // The terminator needs the last byte.
    wanted = contentLength >= 0 ? std::min(contentLength, capacity - 1) : capacity - 1;
  }
  HttpDeadline deadline(timeout);
  long count = 0;
  while (count < wanted) {
    bool closed = false;
    const int piece = static_cast<int>(std::min<long>(wanted - count, INT_MAX));
    const int received = httpReceiveAvailable(socket, buffer + count, piece, &closed);
    if (received < 0) break;
    if (received > 0) {
      count += received;
      deadline.heard();
      continue;
    }
    if (closed || !waitReadable(socket, deadline)) break;
  }
  if (contentLength >= 0 && count < wanted) {
    // Short of its Content-Length: no body.
    if (own) {
      std::free(buffer);
      return nullptr;
    }
    count = 0;
  }
  buffer[count] = '\0';
  *length = count;
  return buffer;
}
