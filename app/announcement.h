// The maker's announcement: a short UTF-8 text (title line, message line,
// optional link line) fetched once per foreground entry and shown once per
// distinct text; and the connection that fetches it.
//
// Thread rules: main thread only (the connection's messages arrive on the
// main run loop).
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/url_connection.h"

struct Announcement {
  std::string title, text;
  std::string link;        // empty unless it begins with "http://" or "https://"
  std::string normalized;  // the whole text with "\r\n" as "\n"
};

// The announcement in a body, or nothing for text that is not UTF-8, has
// fewer than two lines, or lacks a title or a text (a blank line shows as
// nothing). Every field comes from this body alone.
std::optional<Announcement> parseAnnouncement(std::string_view body);

// Bodies longer than this are not announcements: the transfer stops.
inline constexpr std::size_t kAnnouncementMaxBytes = 64 * 1024;

// Fetches one address; calls `finished` with the body after a 2xx-3xx
// response that completed within the size limit, and nothing otherwise.
class AnnouncementFetcher : private ns::URLConnectionDelegate {
 public:
  using Finished = std::function<void(const std::string& body)>;
  AnnouncementFetcher(const std::string& url, Finished finished);
  ~AnnouncementFetcher() override;
  AnnouncementFetcher(const AnnouncementFetcher&) = delete;
  AnnouncementFetcher& operator=(const AnnouncementFetcher&) = delete;
  bool isRunning() const { return connection_ != nullptr; }

 private:
  void didReceiveResponse(ns::URLConnection& connection, const ns::URLResponse& response) override;
  void didReceiveData(ns::URLConnection& connection, std::string_view data) override;
  void didFinishLoading(ns::URLConnection& connection) override;
  void didFailWithError(ns::URLConnection& connection, ns::URLError error, const std::string& message) override;
  void stop();

  std::shared_ptr<ns::URLConnection> connection_;
  std::optional<std::string> body_;  // present once a success status arrived
  Finished finished_;
};
