#include "push/push_client.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <vector>

#include "platform/foundation/bundle.h"
#include "platform/foundation/run_loop.h"
#include "platform/foundation/url_connection.h"
#include "platform/foundation/user_defaults.h"

namespace fs = std::filesystem;

namespace {

enum LogLevel { kLogError = 1, kLogWarning = 2, kLogInfo = 4 };

constexpr double kInboxInterval = 1.0;  // seconds between looks into the inbox

struct ClientState {
  int logLevel = kLogWarning;
  bool registered = false;  // a registration was sent by this process
  PushClient::Receiver receiver;
  PushClient::RegistrationFailure registrationFailure;
  std::shared_ptr<ns::Timer> inboxTimer;
};

ClientState& state() {
  static ClientState client;
  return client;
}

template <typename... Args>
void log(int level, const char* format, Args... args) {
  if (state().logLevel < level) return;
  std::fprintf(stderr, "PushClient: ");
  std::fprintf(stderr, format, args...);
  std::fputc('\n', stderr);
}

std::string newDeviceIdentifier() {
  std::random_device device;
  std::mt19937_64 random((static_cast<std::uint64_t>(device()) << 32) ^ device());
  std::uint64_t high = random(), low = random();
  high = (high & ~0xF000ULL) | 0x4000ULL;                    // version 4
  low = (low & 0x3FFFFFFFFFFFFFFFULL) | 0x8000000000000000ULL;  // variant 1
  char text[37];
  std::snprintf(text, sizeof text, "%08x-%04x-%04x-%04x-%012llx", static_cast<unsigned>(high >> 32),
                static_cast<unsigned>((high >> 16) & 0xFFFF), static_cast<unsigned>(high & 0xFFFF),
                static_cast<unsigned>(low >> 48), static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFULL));
  return text;
}

// The device's identifier, made once and kept in the user defaults.
std::string deviceIdentifier() {
  ns::UserDefaults& defaults = ns::UserDefaults::standard();
  if (auto kept = defaults.stringForKey(PushClient::kDeviceIdentifierKey); kept && isPushAppIdentifier(*kept))
    return *kept;
  std::string made = newDeviceIdentifier();
  defaults.setString(PushClient::kDeviceIdentifierKey, made);
  defaults.synchronize();
  return made;
}

// Hears how the registration went; lives as long as the process.
class RegistrationReport final : public ns::URLConnectionDelegate {
 public:
  void didReceiveResponse(ns::URLConnection&, const ns::URLResponse& response) override { status_ = response.statusCode; }
  void didReceiveData(ns::URLConnection&, std::string_view) override {}
  void didFinishLoading(ns::URLConnection&) override {
    if (status_ >= 200 && status_ < 300) {
      log(kLogInfo, "registered (status %ld)", status_);
      return;
    }
    log(kLogWarning, "registration refused with status %ld", status_);
    failed("refused with status " + std::to_string(status_));
  }
  void didFailWithError(ns::URLConnection&, ns::URLError, const std::string& message) override {
    log(kLogWarning, "registration failed: %s", message.c_str());
    failed(message);
  }

 private:
  static void failed(const std::string& error) {
    if (state().registrationFailure) state().registrationFailure(error);
  }
  long status_ = 0;
};

void registerDevice(const std::string& endpoint, const std::string& appId) {
  static RegistrationReport report;
  ns::URLRequest request;
  request.url = endpoint;
  request.connectTimeout = 15;
  request.totalTimeout = 60;
  request.maxBodyBytes = 64 * 1024;
  request.headers = {"Content-Type: application/json"};
  request.body = ns::serializeJSON({{"app_id", appId},
                                    {"device_id", deviceIdentifier()},
                                    {"platform", "linux"},
                                    {"version", ns::Bundle::main().infoValue("CFBundleShortVersionString")}});
  ns::URLConnection::start(request, &report, ns::RunLoop::main());
}

std::string inboxFolder() { return ns::cachesDirectory() + "/PushInbox"; }

// At most one byte more than a payload may have, so an oversized file is
// told from a full one; nothing for what is not a plain file (a pipe would
// block, a link may lead anywhere).
std::optional<std::string> readPayloadFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat info;
  std::optional<std::string> bytes;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    std::string buffer(PushClient::kMaxPayloadBytes + 1, '\0');
    std::size_t filled = 0;
    ssize_t got = 0;
    while (filled < buffer.size() && (got = ::read(fd, buffer.data() + filled, buffer.size() - filled)) > 0)
      filled += static_cast<std::size_t>(got);
    if (got >= 0) {
      buffer.resize(filled);
      bytes = std::move(buffer);
    }
  }
  ::close(fd);
  return bytes;
}

void reject(const fs::path& file) {
  std::error_code error;
  const fs::path rejected = file.parent_path() / "rejected";
  fs::create_directories(rejected, error);
  fs::rename(file, rejected / file.filename(), error);
  if (error) fs::remove(file, error);  // never read it again
  log(kLogWarning, "payload %s rejected", file.filename().c_str());
}

}  // namespace

std::optional<ns::JSON> parsePushPayload(std::string_view bytes) {
  if (bytes.size() > PushClient::kMaxPayloadBytes) return std::nullopt;
  std::optional<ns::JSON> payload = ns::parseJSON(bytes);
  if (!payload || !payload->is_object()) return std::nullopt;
  return payload;
}

bool isPushAppIdentifier(std::string_view text) {
  if (text.size() != 36) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash ? text[i] != '-' : !std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
  }
  return true;
}

void PushClient::setLogLevel(int logLevel, int) { state().logLevel = logLevel; }

void PushClient::setReceiver(Receiver receiver) { state().receiver = std::move(receiver); }

void PushClient::setRegistrationFailureHandler(RegistrationFailure handler) {
  state().registrationFailure = std::move(handler);
}

bool PushClient::initWithLaunchOptions(const ns::JSON&, const std::string& appId) {
  if (!isPushAppIdentifier(appId)) {
    log(kLogError, "\"%s\" is not an application identifier; not started", appId.c_str());
    return false;
  }
  ClientState& client = state();
  if (!client.registered) {
    const std::string endpoint = ns::UserDefaults::standard().stringForKey(kEndpointKey).value_or("");
    if (!endpoint.empty()) {
      client.registered = true;
      registerDevice(endpoint, appId);
    }
  }
  if (!client.inboxTimer || !client.inboxTimer->isValid())
    client.inboxTimer = ns::RunLoop::main().scheduleTimer(kInboxInterval, true, [](ns::Timer&) { readInbox(); });
  return true;
}

int PushClient::readInbox() {
  std::error_code error;
  std::vector<fs::path> files;
  for (fs::directory_iterator it(inboxFolder(), error), end; !error && it != end; it.increment(error)) {
    if (it->path().filename().string().starts_with(".")) continue;  // a writer's file not yet renamed in
    if (!it->is_directory(error)) files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());  // in the order their names give
  int delivered = 0;
  for (const fs::path& file : files) {
    std::optional<std::string> bytes = readPayloadFile(file.string());
    std::optional<ns::JSON> payload = bytes ? parsePushPayload(*bytes) : std::nullopt;
    if (!payload) {
      reject(file);
      continue;
    }
    // A payload that cannot be taken out of the inbox would come again
    // every second: it is not delivered at all.
    if (!fs::remove(file, error)) {
      log(kLogError, "payload %s cannot be removed; not delivered", file.filename().c_str());
      continue;
    }
    ++delivered;
    if (state().receiver) state().receiver(*payload);
  }
  return delivered;
}
