// The push client in its least form: nothing sent without an endpoint, one
// checked registration per process with one, the inbox read each second
// with bad files set aside, and the payload reader under fuzzing.
#include "push/push_client.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "fuzz.h"
#include "loopback_server.h"
#include "platform/foundation/bundle.h"
#include "platform/foundation/run_loop.h"
#include "platform/foundation/user_defaults.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

// One scratch home for the program, set before the user defaults are read.
const std::string& home() {
  static tessaly::test::TempDir dir;
  static const std::string path = dir.path().string();
  return path;
}
const bool homeSet = setenv("TESSALY_HOME", home().c_str(), 1) == 0;

constexpr const char* kAppId = "5e1a7c93-2b84-4d6f-9a0e-c37b18d2f465";

class ManualLoop {
 public:
  ManualLoop() { ns::RunLoop::main().setClock(clock_); }
  ~ManualLoop() { ns::RunLoop::main().setClock(std::make_shared<ns::SystemClock>()); }
  std::shared_ptr<ns::ManualClock> clock_ = std::make_shared<ns::ManualClock>(100.0);
};

TEST(PushIdentifiers, TheApplicationIdentifierIsAUuidInItsTextForm) {
  EXPECT_TRUE(isPushAppIdentifier(kAppId));
  EXPECT_TRUE(isPushAppIdentifier("5E1A7C93-2B84-4D6F-9A0E-C37B18D2F465"));
  for (const char* bad : {"", "5e1a7c93-2b84-4d6f-9a0e-c37b18d2f46", "5e1a7c93-2b84-4d6f-9a0e-c37b18d2f4655",
                          "5e1a7c93x2b84-4d6f-9a0e-c37b18d2f465", "5e1a7c93-2b84-4d6f-9a0e-c37b18d2f46g",
                          "{5e1a7c9-2b84-4d6f-9a0e-c37b18d2f465}"})
    EXPECT_FALSE(isPushAppIdentifier(bad)) << bad;
  EXPECT_FALSE(PushClient::initWithLaunchOptions({}, "not-an-id"));
}

// Registration happens once per process: this is the only test that
// starts the client with a good identifier before the inbox tests.
TEST(PushRegistration, NothingWithoutAnEndpointThenOneCheckedPost) {
  ManualLoop loop;
  (void)homeSet;
  std::mutex mutex;
  std::vector<tessaly::test::LoopbackServer::Request> seen;
  tessaly::test::LoopbackServer server([&](int client, const tessaly::test::LoopbackServer::Request& request) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      seen.push_back(request);
    }
    tessaly::test::LoopbackServer::sendResponse(client, 201, "Created", "{}");
  });
  auto requests = [&] {
    std::lock_guard<std::mutex> lock(mutex);
    return seen.size();
  };
  auto settle = [&] {
    for (int i = 0; i < 50; ++i) {
      ns::RunLoop::main().runOnce();
      std::this_thread::sleep_for(std::chrono::milliseconds(4));
    }
  };
  ns::UserDefaults& defaults = ns::UserDefaults::standard();
  defaults.removeObject(PushClient::kEndpointKey);
  ASSERT_TRUE(PushClient::initWithLaunchOptions({}, kAppId));
  settle();
  EXPECT_EQ(requests(), 0u) << "no endpoint, no request to anyone";

  defaults.setString(PushClient::kEndpointKey, server.url("/register"));
  ASSERT_TRUE(PushClient::initWithLaunchOptions({}, kAppId));
  ASSERT_TRUE(PushClient::initWithLaunchOptions({}, kAppId));
  for (int i = 0; i < 500 && requests() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(4));
  settle();
  ASSERT_EQ(requests(), 1u) << "once per process";
  const auto& request = seen[0];
  EXPECT_EQ(request.method, "POST");
  EXPECT_EQ(request.path, "/register");
  EXPECT_NE(request.head.find("Content-Type: application/json"), std::string::npos);
  const auto body = ns::parseJSON(request.body);
  ASSERT_TRUE(body && body->is_object()) << request.body;
  EXPECT_EQ(body->size(), 4u);
  EXPECT_EQ((*body)["app_id"], kAppId);
  EXPECT_EQ((*body)["platform"], "linux");
  EXPECT_EQ((*body)["version"], ns::Bundle::main().infoValue("CFBundleShortVersionString"));
  const std::string device = (*body)["device_id"];
  EXPECT_TRUE(isPushAppIdentifier(device));
  EXPECT_EQ(device[14], '4') << "a random (version 4) identifier";
  EXPECT_EQ(defaults.stringForKey(PushClient::kDeviceIdentifierKey).value_or(""), device);
  defaults.removeObject(PushClient::kEndpointKey);
}

class PushInbox : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::remove_all(inbox_);
    fs::create_directories(inbox_);
    PushClient::setReceiver([this](const ns::JSON& payload) { received_.push_back(payload); });
  }
  void TearDown() override { PushClient::setReceiver({}); }
  void put(const std::string& name, const std::string& bytes) {
    ASSERT_TRUE(tessaly::test::writeFile(inbox_ + "/" + name, bytes));
  }
  bool inInbox(const std::string& name) const { return fs::exists(fs::symlink_status(inbox_ + "/" + name)); }
  bool rejected(const std::string& name) const {
    return fs::exists(fs::symlink_status(inbox_ + "/rejected/" + name));
  }

  ManualLoop loop_;
  std::string inbox_ = ns::cachesDirectory() + "/PushInbox";
  std::vector<ns::JSON> received_;
};

TEST_F(PushInbox, TheTimerDeliversEachPayloadOnceAndSetsBadFilesAside) {
  ASSERT_TRUE(PushClient::initWithLaunchOptions({}, kAppId));
  const std::string object = R"({"aps":{"alert":"Pass of the ISS"},"n":1})";
  put("1-good.json", object);
  std::string full = R"({"pad":")" + std::string(PushClient::kMaxPayloadBytes - 10, 'x') + "\"}";
  ASSERT_EQ(full.size(), PushClient::kMaxPayloadBytes);
  put("2-full.json", full);
  put("3-over.json", R"({"pad":")" + std::string(PushClient::kMaxPayloadBytes - 9, 'x') + "\"}");
  put("4-array.json", "[1,2]");
  put("5-text.json", "Hello");
  put("6-utf8.json", "{\"a\":\"\xff\xfe\"}");
  put("7-empty.json", "");
  put(".partial", object);
  fs::create_directories(inbox_ + "/folder");
  ASSERT_EQ(::mkfifo((inbox_ + "/8-pipe").c_str(), 0600), 0);
  fs::create_symlink("/etc/passwd", inbox_ + "/9-link");

  ns::RunLoop::main().runFor(0.9);
  EXPECT_TRUE(received_.empty()) << "the inbox is read once a second";
  ns::RunLoop::main().runFor(0.2);
  ASSERT_EQ(received_.size(), 2u);
  EXPECT_EQ(received_[0]["aps"]["alert"], "Pass of the ISS");
  EXPECT_EQ(received_[1]["pad"].get<std::string>().size(), PushClient::kMaxPayloadBytes - 10);
  for (const char* name : {"1-good.json", "2-full.json"}) EXPECT_FALSE(inInbox(name)) << name;
  for (const char* name : {"3-over.json", "4-array.json", "5-text.json", "6-utf8.json", "7-empty.json", "8-pipe",
                           "9-link"}) {
    EXPECT_FALSE(inInbox(name)) << name;
    EXPECT_TRUE(rejected(name)) << name;
  }
  EXPECT_TRUE(inInbox(".partial")) << "not yet renamed in";
  EXPECT_TRUE(inInbox("folder"));
  ns::RunLoop::main().runFor(3);
  EXPECT_EQ(received_.size(), 2u) << "each once";
  put("10-later.json", "{}");
  ns::RunLoop::main().runFor(1);
  EXPECT_EQ(received_.size(), 3u);
}

TEST(PushPayloadFuzz, TheReaderTakesObjectsOfAtMost16KiBAndNothingElse) {
  int objects = 0, refused = 0;
  tessaly::test::FuzzOptions options;
  options.iterations = tessaly::test::fuzzIterations(20000);
  options.maxSize = PushClient::kMaxPayloadBytes + 64;
  tessaly::test::fuzz({R"({"aps":{"alert":{"title":"ISS","body":"Pass at 21:05"},"badge":1},"url":"https://x"})",
                       R"({"aps":{"alert":"Hello"}})", "[]", R"({"a":[1,2.5e3,null,true,"\u00e9"]})",
                       // Mostly text, where a changed byte often leaves an object.
                       "{\"body\": \"" + std::string(3000, 'w') + "\"}"},
                      [&](std::string_view bytes) {
                        std::optional<ns::JSON> payload = parsePushPayload(bytes);
                        if (!payload) {
                          ++refused;
                          return;
                        }
                        ++objects;
                        ASSERT_TRUE(payload->is_object());
                        ASSERT_LE(bytes.size(), PushClient::kMaxPayloadBytes);
                      },
                      options);
  // JSON seldom survives a changed byte: the objects are mostly the seeds
  // and changes inside the long text.
  EXPECT_GT(objects, 20);
  EXPECT_GT(refused, options.iterations / 2);
}

}  // namespace
