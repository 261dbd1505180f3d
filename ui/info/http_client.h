// A small blocking HTTP/1.1 client over plain TCP: one GET or POST, the
// response header read to its blank line and a body of at most its
// Content-Length, with a time-out of silence and an overall deadline. No
// TLS, redirects or chunked bodies; the satellite description page is its
// one user.
//
// Thread rules: every call blocks the calling thread and keeps no state;
// calls on different threads do not share anything (the name lookup is
// the thread-safe getaddrinfo). A closed peer never raises SIGPIPE.
#pragma once

#include <netinet/in.h>

#include <string>

// Most addresses a name lookup keeps.
inline constexpr int kHttpMaxAddresses = 8;
// The size of the header buffer the client uses when the caller gives
// none, and the largest body it allocates itself.
inline constexpr int kHttpOwnHeaderSize = 4096;
inline constexpr long kHttpMaxOwnBody = 1L << 20;
// What a body without Content-Length is read up to.
inline constexpr long kHttpDefaultBodySize = 65535;

// Host, path and port of a URL "[scheme://]host[:port][/path]": the path
// is "/" when none is written, the port 80 unless given. False for an
// empty host, a port outside 1-65535, or a URL holding a blank or control
// character (which would end up in the request's head).
bool httpSplitURL(const char* url, std::string* host, std::string* path, int* port);
// Up to `maximum` (at most 8) IPv4 addresses of a dotted address or a
// name, in the resolver's order; returns how many (0 when none).
int httpResolveHost(const char* host, in_addr* addresses, int maximum);
// A connected TCP socket to the address, waiting at most `timeout` seconds
// (none for a time-out of 0 or less); -1 on failure.
int httpConnect(in_addr address, int port, double timeout);
// Connects to the URL's host (each address in turn) and sends the request
// head: GET with `bodyLength` 0, else POST with that Content-Length.
// Returns the socket (also when sending failed: the header read then
// fails), -1 when the URL is refused or no address connects.
int httpOpenRequest(const char* url, long bodyLength, double timeout);
// Sends a request body of `length` bytes (nothing below 1) followed by
// "\r\n"; false when the connection failed.
bool httpSendBody(int socket, const char* body, long length);

// Receives what is waiting, at most `max` bytes, without blocking; sets
// `closed` when the peer has closed. Returns the bytes received, -1 on a
// failure. With no buffer, the number of bytes waiting (none read).
int httpReceiveAvailable(int socket, char* buffer, int max, bool* closed);
// Reads the response header (up to and including its blank line, "\r\n\r\n"
// or "\n\n") into `buffer` of `size` bytes, terminated; returns its length,
// 0, with the buffer emptied, when it did not come whole: no blank line
// within size - 1 bytes, the peer closed, an error, `timeout` seconds
// without a byte or 4 x `timeout` in all.
int httpReadHeader(int socket, char* buffer, int size, double timeout);
// The status code of a header's status line ("HTTP/1.1 200 OK"); 0 when
// it has none.
int httpStatusCode(const char* header);
// The value of the Content-Length field (its name in any case): -1 when
// absent, -2 when it is not a decimal number a long holds.
long httpContentLength(const char* header);
// True when the header declares a transfer coding ("Transfer-Encoding"),
// whose body this client cannot read.
bool httpHasTransferCoding(const char* header);
// Reads a body of `contentLength` bytes (-1: until the peer closes or
// falls silent) into the caller's buffer of `capacity` bytes (at most
// capacity - 1 bytes, terminated), or with capacity 0 or less into a new
// zero-filled buffer the caller frees (bodies above kHttpMaxOwnBody get
// none). Sets `length` to the bytes read and returns the buffer; a body
// that ends short of its Content-Length gives length 0 (no body: null,
// or the caller's buffer emptied).
char* httpReadBody(int socket, char* buffer, long capacity, long* length, long contentLength,
                   double timeout);

// One request: `body` of `bodyLength` bytes (POST when at least 1, else
// GET). The response header goes into `header` (`headerSize` bytes; the
// client's own for 0 or less); `status` receives the status code, or -1
// when no header was read. With `bodyBuffer` (capacity in `length`) the
// body is read into it, else into a buffer the caller frees; on return
// `length` holds the body's bytes: 0 unless the status is 200 with a body,
// unchanged when no header was read (the caller's buffer, or null, is
// returned then). The body is terminated after its bytes.
char* httpRequest(const char* url, const char* body, long bodyLength, char* header, int headerSize,
                  int* status, char* bodyBuffer, long* length, double timeout);
// httpRequest without a request body.
char* httpGet(const char* url, char* header, int headerSize, int* status, char* bodyBuffer,
              long* length, double timeout);
