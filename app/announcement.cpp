#include "app/announcement.h"

#include <cstdio>

#include "platform/foundation/run_loop.h"
#include "support/utf8.h"

namespace {

// Each "\r\n" becomes one "\n".
std::string withUnixLineEnds(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
  return out;
}

bool hasWebScheme(std::string_view link) {
  return link.starts_with("http://") || link.starts_with("https://");
}

// A line of blanks shows as nothing.
bool isBlank(std::string_view line) { return line.find_first_not_of(" \t\r\f\v") == std::string_view::npos; }

}  // namespace

std::optional<Announcement> parseAnnouncement(std::string_view body) {
  if (!isValidUtf8(body)) return std::nullopt;
  Announcement result;
  result.normalized = withUnixLineEnds(body);
  std::string* fields[3] = {&result.title, &result.text, &result.link};
  std::size_t lines = 0, start = 0;
  const std::string& text = result.normalized;
  while (lines < 3) {
    const std::size_t end = text.find('\n', start);
    *fields[lines++] = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  if (lines < 2 || isBlank(result.title) || isBlank(result.text)) return std::nullopt;
  if (!hasWebScheme(result.link)) result.link.clear();
  return result;
}

AnnouncementFetcher::AnnouncementFetcher(const std::string& url, Finished finished)
    : finished_(std::move(finished)) {
  ns::URLRequest request;
  request.url = url;
  // One byte more than allowed, so a body of exactly the limit still
  // completes and a longer one is told apart.
  request.maxBodyBytes = kAnnouncementMaxBytes + 1;
  request.totalTimeout = 60;
  connection_ = ns::URLConnection::start(request, this, ns::RunLoop::main());
}

AnnouncementFetcher::~AnnouncementFetcher() { stop(); }

void AnnouncementFetcher::stop() {
  if (connection_) connection_->cancel();
  connection_ = nullptr;
  body_.reset();
}

void AnnouncementFetcher::didReceiveResponse(ns::URLConnection&, const ns::URLResponse& response) {
  if (response.statusCode >= 200 && response.statusCode <= 399) body_.emplace();
  else stop();
}

void AnnouncementFetcher::didReceiveData(ns::URLConnection&, std::string_view data) {
  if (!body_) return;
  if (body_->size() + data.size() > kAnnouncementMaxBytes) {
    std::fprintf(stderr, "Announcement longer than %zu bytes: ignored\n", kAnnouncementMaxBytes);
    stop();
    return;
  }
  body_->append(data);
}

void AnnouncementFetcher::didFinishLoading(ns::URLConnection&) {
  std::optional<std::string> body = std::move(body_);
  connection_ = nullptr;
  body_.reset();
  // The callback may destroy this fetcher: nothing of it is touched after.
  if (body && finished_) {
    Finished finished = finished_;
    finished(*body);
  }
}

void AnnouncementFetcher::didFailWithError(ns::URLConnection&, ns::URLError, const std::string& message) {
  std::fprintf(stderr, "Request for announcement data failed: %s\n", message.c_str());
  connection_ = nullptr;
  body_.reset();
}
