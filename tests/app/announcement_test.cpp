// Announcements from the update server (the loopback server here), shown
// once per text; remote and local notifications; and the announcement
// reader fuzzed.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>

#include "app/announcement.h"
#include "fuzz.h"
#include "loopback_server.h"
#include "platform/foundation/user_defaults.h"
#include "platform/uikit/alert_controller.h"
#include "platform/uikit/application.h"
#include "platform/uikit/navigation_controller.h"
#include "tests/app/app_session.h"
#include "ui/info/web_browser_controller.h"
#include "ui/foundation/utility.h"

namespace {

using app_test::AppSession;
using tessaly::test::LoopbackServer;

TEST(AnnouncementText, TwoLinesAtLeastALinkOnlyWithAWebScheme) {
  EXPECT_FALSE(parseAnnouncement("one line only"));
  EXPECT_FALSE(parseAnnouncement(""));
  auto plain = parseAnnouncement("Title\r\nText");
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->title, "Title");
  EXPECT_EQ(plain->text, "Text");
  EXPECT_EQ(plain->link, "");
  EXPECT_EQ(plain->normalized, "Title\nText");
  EXPECT_EQ(parseAnnouncement("T\nM\nhttps://example.org/x\nmore")->link, "https://example.org/x");
  EXPECT_EQ(parseAnnouncement("T\nM\nhttp://example.org")->link, "http://example.org");
  EXPECT_EQ(parseAnnouncement("T\nM\nftp://example.org")->link, "");
  EXPECT_EQ(parseAnnouncement("T\nM\nexample.org")->link, "");
  // A title and a text, both: a blank line shows as nothing.
  EXPECT_FALSE(parseAnnouncement("Title\n"));
  EXPECT_FALSE(parseAnnouncement("\nText"));
  EXPECT_FALSE(parseAnnouncement("Title\r\n \t\r\nhttps://example.org"));
  EXPECT_FALSE(parseAnnouncement(" \nText\n"));
  EXPECT_TRUE(parseAnnouncement("T\nM\n"));
  EXPECT_FALSE(parseAnnouncement("T\nM\xC3")) << "not UTF-8";
  EXPECT_FALSE(parseAnnouncement(std::string("T\nM\xED\xA0\x80", 7)));
}

TEST(AnnouncementText, FuzzedBodiesNeverBreakTheReader) {
  int parsed = 0, refused = 0;
  tessaly::test::FuzzOptions options;
  options.iterations = tessaly::test::fuzzIterations(2000);
  tessaly::test::fuzz({"Title\nText\nhttps://example.org/news\n", "Title\r\nText", "\xC3\xA9t\xC3\xA9\nHiver\n"},
                      [&](std::string_view body) {
                        const auto announcement = parseAnnouncement(body);
                        if (!announcement) return void(++refused);
                        ++parsed;
                        // Each "\r\n" of the body became one "\n" (a "\r" before
                        // it stays: "\r\r\n" reads "\r\n").
                        std::size_t pairs = 0;
                        for (auto at = body.find("\r\n"); at != body.npos; at = body.find("\r\n", at + 2)) ++pairs;
                        EXPECT_EQ(announcement->normalized.size(), body.size() - pairs);
                        EXPECT_EQ(std::count(announcement->normalized.begin(), announcement->normalized.end(), '\n'),
                                  std::count(body.begin(), body.end(), '\n'));
                        EXPECT_TRUE(announcement->link.empty() || announcement->link.rfind("http", 0) == 0);
                        EXPECT_EQ(announcement->title.find('\n'), std::string::npos);
                        EXPECT_FALSE(announcement->title.empty() || announcement->text.empty());
                      },
                      options);
  EXPECT_GT(parsed, 0);
  EXPECT_GT(refused, 0);
}

// A session from the third foreground entry on, with the update server on
// the loopback interface answering the announcement with `body`.
struct AnnouncementSession {
  // What the server answers; the test changes it between requests, the
  // server's threads read it.
  struct Answer {
    std::mutex mutex;
    std::string body = "Title\nText";
    int status = 200;
  } answer;
  void setAnswer(std::string body, int status = 200) {
    std::lock_guard<std::mutex> lock(answer.mutex);
    answer.body = std::move(body);
    answer.status = status;
  }
  std::atomic<int> requests{0};
  // Announcement requests (the orbit-data update asks the same server for
  // its files, which are not found here).
  LoopbackServer server{[this](int client, const LoopbackServer::Request& request) {
    if (request.path != "/updates/Tessaly/announcement.txt") return LoopbackServer::sendResponse(client, 404, "Not Found", "");
    ++requests;
    std::string body;
    int status;
    {
      std::lock_guard<std::mutex> lock(answer.mutex);
      body = answer.body;
      status = answer.status;
    }
    LoopbackServer::sendResponse(client, status, status == 200 ? "OK" : "Error", body);
  }};
  std::unique_ptr<AppSession> session;
  AnnouncementSession() {
    app_test::SessionOptions options;
    options.launchCount = 2;
    options.launch = false;
    session = std::make_unique<AppSession>(options);
    ns::UserDefaults::standard().setString(kUpdateServerURLKey, server.url("/"));
  }
  // Launches (or enters the foreground again) and waits for the answer.
  void enter() {
    if (!ui::Application::shared().delegate()) session->launch();
    else ui::Application::shared().enterBackground(), ui::Application::shared().becomeActive();
    for (int i = 0; i < 300 && session->shell().announcementFetching(); ++i) session->run(0.01);
    session->run(0.6);
  }
  ui::AlertController* alert() { return dynamic_cast<ui::AlertController*>(Utility::topMostController()); }
  void dismiss() {
    if (ui::AlertController* shown = alert()) shown->chooseAction(0);
    session->run(0.6);
  }
};

TEST(Announcements, AnAnnouncementShowsOnceAndAChangedLinkMakesItNew) {
  AnnouncementSession a;
  a.enter();
  ASSERT_NE(a.alert(), nullptr);
  EXPECT_EQ(a.alert()->alertTitle(), "Title");
  EXPECT_EQ(a.alert()->actions().size(), 1u) << "a plain alert";
  a.dismiss();
  a.enter();
  EXPECT_EQ(a.alert(), nullptr) << "the same text is not shown again";
  a.setAnswer("Title\nText\nhttps://example.org/a");
  a.enter();
  ASSERT_NE(a.alert(), nullptr);
  ASSERT_EQ(a.alert()->actions().size(), 2u);
  std::size_t view = 0;
  while (view < 2 && a.alert()->actions()[view].title != "View") ++view;
  ASSERT_LT(view, 2u);
  a.alert()->chooseAction(view);
  a.session->run(0.6);
  // A link off the store opens in the in-app browser, titled.
  auto* navigation = dynamic_cast<ui::NavigationController*>(a.session->screen().presentedViewController());
  ASSERT_NE(navigation, nullptr);
  auto* browser = dynamic_cast<WebBrowserController*>(navigation->topViewController());
  ASSERT_NE(browser, nullptr);
  EXPECT_EQ(browser->home, "https://example.org/a");
  EXPECT_EQ(browser->title(), "Title");
  EXPECT_TRUE(ui::Application::shared().openedURLs().empty());
  EXPECT_EQ(ns::UserDefaults::standard().stringForKey(kLastAnnouncementKey).value_or(""),
            "Title\nText\nhttps://example.org/a");
}

TEST(Announcements, ATwoLineAnnouncementNeverOffersTheLinkOfAnEarlierOne) {
  AnnouncementSession a;
  a.setAnswer("First\nText\nhttps://example.org/old");
  a.enter();
  a.dismiss();
  a.setAnswer("Second\nText");
  a.enter();
  ASSERT_NE(a.alert(), nullptr);
  EXPECT_EQ(a.alert()->alertTitle(), "Second");
  EXPECT_EQ(a.alert()->actions().size(), 1u);
  EXPECT_EQ(a.session->shell().announcement().link, "");
}

// Malformed: fewer than two lines, or no title or no text. What is not
// shown is not stored as the last announcement shown.
TEST(Announcements, AFailedOversizeOrMalformedAnswerShowsNothingAndStoresNothing) {
  for (const auto& [status, body] :
       {std::pair{404, std::string("Title\nText")}, std::pair{200, std::string("one line")},
        std::pair{200, std::string(kAnnouncementMaxBytes + 1, 'a') + "\nText"},
        std::pair{200, std::string("T\nM\xC3")}, std::pair{200, std::string("Title only\n")},
        std::pair{200, std::string("\nA text without a title")}}) {
    AnnouncementSession a;
    a.setAnswer(body, status);
    a.enter();
    EXPECT_EQ(a.alert(), nullptr) << status << " " << body.size();
    EXPECT_FALSE(ns::UserDefaults::standard().hasValue(kLastAnnouncementKey));
    EXPECT_EQ(a.requests.load(), 1);
  }
}

TEST(Announcements, TheFirstTwoEntriesOfAVersionFetchNothing) {
  AnnouncementSession a;
  ns::UserDefaults::standard().setInteger(a.session->shell().launchCountKey(), 0);
  a.enter();
  a.dismiss();
  a.enter();
  EXPECT_EQ(a.requests.load(), 0);
  a.enter();
  EXPECT_EQ(a.requests.load(), 1);
}

TEST(RemoteNotifications, AnAlertTextIsShownAndAnythingElseFetchesTheAnnouncement) {
  AnnouncementSession a;
  a.setAnswer("Pushed\nNews");
  a.enter();
  a.dismiss();
  const int before = a.requests.load();
  ApplicationShell& shell = a.session->shell();
  ui::Application& app = ui::Application::shared();
  shell.didReceiveRemoteNotification(app, ns::JSON::parse(R"({"aps": {"alert": "Hello"}})"));
  ASSERT_NE(a.alert(), nullptr);
  EXPECT_EQ(a.alert()->message(), "Hello");
  a.dismiss();
  // An alert of another kind than text counts as missing: a fetch, no alert.
  for (const char* payload : {R"({"aps": {"alert": {"body": "x"}}})", R"({"aps": "alert"})", R"({"aps": {"alert": ""}})",
                              R"([1, 2])", R"({})"}) {
    shell.didReceiveRemoteNotification(app, ns::JSON::parse(payload));
    for (int i = 0; i < 300 && shell.announcementFetching(); ++i) a.session->run(0.01);
    EXPECT_EQ(a.alert(), nullptr) << payload;
  }
  EXPECT_EQ(a.requests.load(), before + 5);
}

TEST(LocalNotifications, ANotificationSoonAfterBecomingActiveShowsItsAlertWithoutASound) {
  AppSession session;
  session.run(1.0);
  ApplicationShell& shell = session.shell();
  ui::Application& app = ui::Application::shared();
  app.applicationIconBadgeNumber = 3;
  app.enterBackground();
  app.becomeActive();
  session.run(3.0);
  shell.didReceiveLocalNotification(app, ns::JSON::parse(R"({"alertBody": "ISS pass in 5 minutes"})"));
  auto* alert = dynamic_cast<ui::AlertController*>(Utility::topMostController());
  ASSERT_NE(alert, nullptr);
  EXPECT_EQ(alert->alertTitle(), "Tessaly");
  EXPECT_EQ(alert->message(), "ISS pass in 5 minutes");
  EXPECT_EQ(app.applicationIconBadgeNumber, 0);
  const auto& log = shell.soundLog();
  EXPECT_EQ(std::count(log.begin(), log.end(), "sms-received.wav"), 0);
  alert->chooseAction(0);
  session.run(3.0);
  shell.didReceiveLocalNotification(app, ns::JSON::parse(R"({"alertBody": "later"})"));
  EXPECT_EQ(std::count(log.begin(), log.end(), "sms-received.wav"), 1);
}

}  // namespace
