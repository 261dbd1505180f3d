// The orbit-data updater's world in a test: one scratch home folder for
// the whole program (caches and user defaults), a chart on a small sky
// with the ISS, a fake chart screen registered as the current one, and a
// loopback server that answers each path as the test says and counts what
// it is asked.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "chart/sky_chart.h"
#include "loopback_server.h"
#include "temp_dir.h"
#include "tests/chart/sky_fixture.h"
#include "tests/ui/foundation/ui_foundation_support.h"

namespace updater_test {

// The scratch home folder (TESSALY_HOME), set before anything reads the
// user defaults.
const std::string& homeFolder();
std::string cachesFile(const std::string& name);

// How the server answers one path.
struct Answer {
  enum Kind { whole, cutShort, oversized } kind = whole;
  int status = 200;
  std::string body;
};

class UpdateServer {
 public:
  UpdateServer();
  void answer(const std::string& path, Answer answer);
  int requests(const std::string& path) const;
  int totalRequests() const;
  std::string base() const { return server_.url(""); }
  std::string url(const std::string& path) const { return server_.url(path); }

 private:
  void serve(int client, const tessaly::test::LoopbackServer::Request& request);
  mutable std::mutex mutex_;
  std::map<std::string, Answer> answers_;
  std::map<std::string, int> counts_;
  tessaly::test::LoopbackServer server_;
};

inline constexpr const char* kCataloguePath = "/updates/Tessaly/SolarSystem.skydata";
inline constexpr const char* kListPath = "/updates/satellites/other/SatelliteFrequencies.csv";

// The bytes of a solar-system catalogue with these satellites (and these
// bodies after the fixed ones), written by the project's writer.
std::string catalogueWith(const std::vector<mechanics_test::SatelliteRecord>& satellites,
                          const std::vector<mechanics_test::BodyRecord>& extra = {});
mechanics_test::SatelliteRecord satelliteFrom(const char* const lines[2]);
// A frequency list of `rows` transmitters (NORAD numbers 40000 + i), no
// heading.
std::string frequencyList(int rows);

}  // namespace updater_test
