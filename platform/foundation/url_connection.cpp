#include "platform/foundation/url_connection.h"

#include <curl/curl.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <mutex>

#include "platform/foundation/run_loop.h"
#include "platform/foundation/threads.h"

namespace ns {
namespace {

struct TransferHandlers {
  const std::atomic<bool>* cancel = nullptr;
  std::function<void(const URLResponse&)> onResponse;  // before the first byte
  std::function<void(std::string_view)> onData;
};

struct TransferState {
  CURL* curl = nullptr;
  const URLRequest* request = nullptr;
  TransferHandlers* handlers = nullptr;
  std::size_t received = 0;
  bool responded = false;
  bool tooLarge = false;
  bool stalled = false;
  curl_off_t lastCount = 0;
  std::chrono::steady_clock::time_point lastProgress = std::chrono::steady_clock::now();
};

URLResponse currentResponse(CURL* curl) {
  URLResponse response;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response.statusCode);
  char* url = nullptr;
  if (curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &url) == CURLE_OK && url) response.url = url;
  curl_off_t length = -1;
  if (curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK)
    response.expectedContentLength = length;
  return response;
}

void respondOnce(TransferState& state) {
  if (state.responded) return;
  state.responded = true;
  if (state.handlers->onResponse) state.handlers->onResponse(currentResponse(state.curl));
}

// libcurl hands over the body of the final response only; bodies of
// redirects it follows are skipped.
std::size_t receiveBody(char* bytes, std::size_t size, std::size_t count, void* context) {
  auto& state = *static_cast<TransferState*>(context);
  std::size_t length = size * count;
  if (length > state.request->maxBodyBytes - state.received) {
    state.tooLarge = true;
    return 0;  // makes libcurl stop with a write error
  }
  state.received += length;
  respondOnce(state);
  if (state.handlers->onData) state.handlers->onData(std::string_view(bytes, length));
  return length;
}

// libcurl calls this often while bytes flow and about once a second while
// the transfer waits. libcurl's own low-speed limit averages over several
// seconds, so the stall time-out is kept here: no byte for that long.
int checkProgress(void* context, curl_off_t, curl_off_t downloaded, curl_off_t, curl_off_t) {
  auto& state = *static_cast<TransferState*>(context);
  if (state.handlers->cancel && state.handlers->cancel->load()) return 1;
  auto now = std::chrono::steady_clock::now();
  if (downloaded != state.lastCount) {
    state.lastCount = downloaded;
    state.lastProgress = now;
  } else if (std::chrono::duration<double>(now - state.lastProgress).count() > state.request->stallTimeout) {
    state.stalled = true;
    return 1;
  }
  return 0;
}

URLError classify(CURLcode code, const TransferState& state) {
  switch (code) {
    case CURLE_OK: return URLError::none;
    case CURLE_ABORTED_BY_CALLBACK: return state.stalled ? URLError::timedOut : URLError::cancelled;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT: return URLError::badURL;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT: return URLError::cannotConnect;
    case CURLE_OPERATION_TIMEDOUT: return URLError::timedOut;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR: return URLError::secureConnection;
    case CURLE_TOO_MANY_REDIRECTS: return URLError::tooManyRedirects;
    case CURLE_WRITE_ERROR: return state.tooLarge ? URLError::tooLarge : URLError::network;
    default: return URLError::network;
  }
}

long milliseconds(double seconds) {
  if (!(seconds > 0.0)) return 1;
  return seconds > 1e6 ? 1000000000L : static_cast<long>(std::ceil(seconds * 1000.0));
}

// One transfer on the calling thread. Fills everything of the result but
// the body, which goes to the handlers.
URLResult perform(const URLRequest& request, TransferHandlers& handlers) {
  static std::once_flag initialised;
  std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

  URLResult result;
  CURL* curl = curl_easy_init();
  if (!curl) {
    result.error = URLError::network;
    result.errorMessage = "cannot create a transfer";
    return result;
  }
  TransferState state{curl, &request, &handlers};
  char message[CURL_ERROR_SIZE] = {};
  curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, message);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);  // signals and threads do not mix
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, request.maxRedirects);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, milliseconds(request.connectTimeout));
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, milliseconds(request.totalTimeout));
  curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
  curl_easy_setopt(curl, CURLOPT_USERAGENT, "Tessaly");
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, receiveBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &state);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, checkProgress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &state);
  if (!request.body.empty()) {
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.data());
  }
  curl_slist* headers = nullptr;
  // No "Expect: 100-continue": a server that does not answer it would hold
  // a larger body back for a second.
  if (!request.body.empty()) headers = curl_slist_append(headers, "Expect:");
  for (const std::string& header : request.headers) {
    // A line break would start a header the caller did not write.
    if (header.find_first_of("\r\n") == std::string::npos) headers = curl_slist_append(headers, header.c_str());
  }
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);

  CURLcode code = curl_easy_perform(curl);
  curl_slist_free_all(headers);
  result.error = classify(code, state);
  if (result.error == URLError::none) respondOnce(state);  // a response without a body
  result.response = currentResponse(curl);
  if (state.stalled)
    result.errorMessage = "no data received for " + std::to_string(request.stallTimeout) + " s";
  else if (result.error != URLError::none)
    result.errorMessage = message[0] ? message : curl_easy_strerror(code);
  curl_easy_cleanup(curl);
  return result;
}

}  // namespace

URLResult sendSynchronousRequest(const URLRequest& request, const std::atomic<bool>* cancel) {
  std::string body;
  TransferHandlers handlers;
  handlers.cancel = cancel;
  handlers.onData = [&body](std::string_view data) { body.append(data); };
  URLResult result = perform(request, handlers);
  result.data = std::move(body);
  return result;
}

URLConnection::URLConnection(const URLRequest& request, URLConnectionDelegate* delegate, RunLoop& loop)
    : request_(request), delegate_(delegate), loop_(loop) {}

std::shared_ptr<URLConnection> URLConnection::start(const URLRequest& request,
                                                    URLConnectionDelegate* delegate, RunLoop& loop) {
  auto connection = std::make_shared<URLConnection>(request, delegate, loop);
  // Awaited until the transfer's last message has run on the loop.
  std::shared_ptr<void> report = loop.expectReport();
  // The thread hands its token on to the last message and keeps none: the
  // report is not awaited after it has run, however late the thread ends.
  if (!detachNewThread([connection, report]() mutable { connection->transfer(std::move(report)); })) {
    connection->deliver(
        [raw = connection.get()](URLConnectionDelegate& d) {
          d.didFailWithError(*raw, URLError::network, "cannot start a thread");
        },
        report);
  }
  return connection;
}

void URLConnection::cancel() { cancelled_ = true; }

void URLConnection::deliver(std::function<void(URLConnectionDelegate&)> message, std::shared_ptr<void> report) {
  loop_.performOnLoop([self = shared_from_this(), message = std::move(message), report = std::move(report)] {
    if (!self->cancelled_ && self->delegate_) message(*self->delegate_);
  });
}

void URLConnection::transfer(std::shared_ptr<void> report) {
  TransferHandlers handlers;
  handlers.cancel = &cancelled_;
  handlers.onResponse = [this](const URLResponse& response) {
    deliver([this, response](URLConnectionDelegate& d) { d.didReceiveResponse(*this, response); });
  };
  handlers.onData = [this](std::string_view data) {
    deliver([this, chunk = std::string(data)](URLConnectionDelegate& d) { d.didReceiveData(*this, chunk); });
  };
  URLResult result = perform(request_, handlers);
  if (result.error == URLError::none) {
    deliver([this](URLConnectionDelegate& d) { d.didFinishLoading(*this); }, std::move(report));
  } else if (result.error != URLError::cancelled) {
    deliver(
        [this, error = result.error, message = result.errorMessage](URLConnectionDelegate& d) {
          d.didFailWithError(*this, error, message);
        },
        std::move(report));
  }
}

}  // namespace ns
