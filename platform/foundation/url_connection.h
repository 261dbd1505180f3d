// HTTP and HTTPS downloads over libcurl.
//
// Certificates and host names are verified, redirects are followed (to
// http and https only), and every transfer is bounded: a time-out to
// connect, a time-out for a stalled transfer (no byte for that long), an
// overall time-out and a cap on the body size. The HTTP status is always
// reported: a 404 page arrives as status 404 with its body, and it is for
// the caller to decide what a status means (`succeeded()` is 2xx only).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ns {

class RunLoop;

struct URLRequest {
  std::string url;
  // With a body the request is a POST of it; headers are "Name: value".
  std::string body;
  std::vector<std::string> headers;
  double connectTimeout = 15.0;  // seconds to establish the connection
  double stallTimeout = 30.0;    // seconds without any byte received
  double totalTimeout = 300.0;   // seconds for the whole transfer
  long maxRedirects = 10;
  std::size_t maxBodyBytes = std::size_t{256} << 20;
};

enum class URLError {
  none,
  cancelled,
  badURL,          // malformed or of a scheme other than http and https
  cannotConnect,   // refused, unreachable or unknown host
  timedOut,        // connect, stall or overall time-out
  secureConnection,  // TLS handshake or certificate failure
  tooManyRedirects,
  tooLarge,        // the body passed maxBodyBytes
  network,         // any other transfer failure
};

struct URLResponse {
  long statusCode = 0;     // of the final response; 0 when none arrived
  std::string url;         // after redirects
  std::int64_t expectedContentLength = -1;
};

struct URLResult {
  URLError error = URLError::none;
  std::string errorMessage;  // libcurl's description when error != none
  URLResponse response;
  std::string data;
  // The transfer completed and the server answered with a 2xx status.
  bool succeeded() const {
    return error == URLError::none && response.statusCode >= 200 && response.statusCode < 300;
  }
};

// Performs the request on the calling thread (never the main thread's job:
// it blocks until done). `cancel`, when given and set from another thread,
// stops the transfer with URLError::cancelled.
URLResult sendSynchronousRequest(const URLRequest& request,
                                 const std::atomic<bool>* cancel = nullptr);

class URLConnection;

// Receives a connection's messages on the run loop it was started for.
// After cancel() it receives nothing more.
class URLConnectionDelegate {
 public:
  virtual ~URLConnectionDelegate() = default;
  // Once, before any data, with the final response's status.
  virtual void didReceiveResponse(URLConnection& connection, const URLResponse& response) = 0;
  virtual void didReceiveData(URLConnection& connection, std::string_view data) = 0;
  // The last message of a transfer that completed.
  virtual void didFinishLoading(URLConnection& connection) = 0;
  // The last message of a transfer that failed.
  virtual void didFailWithError(URLConnection& connection, URLError error,
                                const std::string& message) = 0;
};

// An asynchronous download: the transfer runs on a worker thread and its
// messages are posted to a run loop. The delegate is not owned; it must
// outlive the connection or cancel it first.
class URLConnection : public std::enable_shared_from_this<URLConnection> {
 public:
  static std::shared_ptr<URLConnection> start(const URLRequest& request,
                                              URLConnectionDelegate* delegate,
                                              RunLoop& loop);
  // Stops the transfer; call on the delegate's loop. No message follows.
  void cancel();
  const URLRequest& request() const { return request_; }

  URLConnection(const URLRequest& request, URLConnectionDelegate* delegate, RunLoop& loop);

 private:
  // `report`, the loop's token for the last message, goes with that message.
  void transfer(std::shared_ptr<void> report);
  void deliver(std::function<void(URLConnectionDelegate&)> message, std::shared_ptr<void> report = nullptr);

  URLRequest request_;
  URLConnectionDelegate* delegate_;
  RunLoop& loop_;
  std::atomic<bool> cancelled_{false};
};

}  // namespace ns
