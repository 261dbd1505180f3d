#include "ui/info/http_client.h"

#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kStatusOK = 200;

// No body: the caller's buffer emptied, or none.
char* noBody(char* bodyBuffer, long capacity, long* length) {
  *length = 0;
  if (bodyBuffer != nullptr && capacity > 0) {
    bodyBuffer[0] = '\0';
    return bodyBuffer;
  }
  return nullptr;
}

}  // namespace

char* httpRequest(const char* url, const char* body, long bodyLength, char* header, int headerSize,
                  int* status, char* bodyBuffer, long* length, double timeout) {
  int ignoredStatus = 0;
  long ignoredLength = 0;
  if (status == nullptr) status = &ignoredStatus;
  if (length == nullptr) length = &ignoredLength;
  *status = -1;
  if (body == nullptr || bodyLength < 0) bodyLength = 0;
  const int socket = httpOpenRequest(url, bodyLength, timeout);
  if (socket < 0) return bodyBuffer;
  httpSendBody(socket, body, bodyLength);

  char ownHeader[kHttpOwnHeaderSize] = {};
  if (header == nullptr || headerSize <= 0) {
    header = ownHeader;
    headerSize = kHttpOwnHeaderSize;
  }
  char* result = bodyBuffer;
  if (httpReadHeader(socket, header, headerSize, timeout) > 0) {
    *status = httpStatusCode(header);
    const long contentLength = httpContentLength(header);
    const long capacity = bodyBuffer != nullptr ? *length : 0;
    // A transfer coding or a damaged length leaves the body's end unknown.
    if (*status == kStatusOK && contentLength != 0 && contentLength != -2 &&
        !httpHasTransferCoding(header))
      result = httpReadBody(socket, bodyBuffer, capacity, length, contentLength, timeout);
    else
      result = noBody(bodyBuffer, capacity, length);
  }
  shutdown(socket, SHUT_RDWR);
  close(socket);
  return result;
}

char* httpGet(const char* url, char* header, int headerSize, int* status, char* bodyBuffer,
              long* length, double timeout) {
  return httpRequest(url, nullptr, 0, header, headerSize, status, bodyBuffer, length, timeout);
}
