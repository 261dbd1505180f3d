#include "tests/app/updater_support.h"

#include <cstdlib>

#include "platform/foundation/bundle.h"
#include "skydata/sky_database.h"

namespace updater_test {

using tessaly::test::LoopbackServer;

const std::string& homeFolder() {
  static tessaly::test::TempDir dir;
  static const std::string path = dir.path().string();
  return path;
}

namespace {
// Runs before main: the user defaults are read once, from this home.
const bool homeSet = setenv("TESSALY_HOME", homeFolder().c_str(), 1) == 0;
}  // namespace

std::string cachesFile(const std::string& name) {
  (void)homeSet;
  return ns::cachesDirectory() + "/" + name;
}

UpdateServer::UpdateServer()
    : server_([this](int client, const LoopbackServer::Request& request) { serve(client, request); }) {}

void UpdateServer::answer(const std::string& path, Answer answer) {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_[path] = std::move(answer);
}

int UpdateServer::requests(const std::string& path) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = counts_.find(path);
  return found == counts_.end() ? 0 : found->second;
}

int UpdateServer::totalRequests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  int total = 0;
  for (const auto& [path, count] : counts_) total += count;
  return total;
}

void UpdateServer::serve(int client, const LoopbackServer::Request& request) {
  Answer answer{Answer::whole, 404, "<html><body>Not Found</body></html>"};
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++counts_[request.path];
    if (auto found = answers_.find(request.path); found != answers_.end()) answer = found->second;
  }
  switch (answer.kind) {
    case Answer::whole:
      LoopbackServer::sendResponse(client, answer.status, answer.status == 200 ? "OK" : "Not Found", answer.body);
      break;
    case Answer::cutShort:
      // Announces the whole body, sends half of it and hangs up.
      LoopbackServer::sendAll(client, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(answer.body.size()) +
                                          "\r\nConnection: close\r\n\r\n");
      LoopbackServer::sendAll(client, std::string_view(answer.body).substr(0, answer.body.size() / 2));
      break;
    case Answer::oversized: {
      // One byte more than the updater takes, announced and sent.
      const std::size_t size = (std::size_t{64} << 20) + 1;
      LoopbackServer::sendAll(client, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(size) +
                                          "\r\nConnection: close\r\n\r\n");
      const std::string block(1 << 20, 'x');
      for (std::size_t sent = 0; sent < size; sent += block.size())
        LoopbackServer::sendAll(client, std::string_view(block).substr(0, std::min(block.size(), size - sent)));
      break;
    }
  }
}

std::string catalogueWith(const std::vector<mechanics_test::SatelliteRecord>& satellites,
                          const std::vector<mechanics_test::BodyRecord>& extra) {
  mechanics_test::SolarSystemWorld world(extra, satellites);
  char directory[512];
  world.database().getDataDirectory(directory, sizeof directory);
  return tessaly::test::readFile(std::string(directory) + "SolarSystem.skydata");
}

mechanics_test::SatelliteRecord satelliteFrom(const char* const lines[2]) {
  mechanics_test::SatelliteRecord record;
  record.elements = mechanics_test::elementsFromLines(lines[0], lines[1]);
  return record;
}

std::string frequencyList(int rows) {
  std::string text;
  for (int i = 0; i < rows; ++i)
    text += "SAT-" + std::to_string(i) + ";" + std::to_string(40000 + i) + ";145.900;435.800;;FM;CALL;active\n";
  return text;
}

}  // namespace updater_test
