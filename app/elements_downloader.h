// The orbit-data updater: fetches a fresh solar-system catalogue (the
// satellites' orbital elements with it) and the satellite frequency list
// into the Caches folder, hands the catalogue to the chart and reloads the
// list, records the time of the last good update and reports.
//
// Sources are user defaults, unset by default, and nothing is requested
// from a source that is not set: "UpdateServerURL" is the base of
// "/updates/Tessaly/SolarSystem.skydata" and of
// "/updates/satellites/other/SatelliteFrequencies.csv";
// "FrequencyListFallbackURL" is the whole address of the list's second
// source. A download replaces its Caches file only when it is complete, is
// at most 64 MiB, came with status 200 and passes its checks (the
// catalogue: orbit_data_checks.h); anything else leaves the old file.
//
// Thread rules: construct, start, check and destroy on the main thread.
// The update's thread touches only the network, the Caches files and the
// shared state's atomics; the hand-over to the chart, the reload of the
// list, the user defaults, the report and the delegate run on the main run
// loop. So the chart swaps catalogues between two frames on the thread
// that draws them, whatever perspective it shows, and nothing else reads
// the solar system meanwhile (the camera's queue, the other holder of the
// chart view's lock, reads only the projection). The destructor waits for
// a running thread (its report, if still queued, then does nothing).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "ui/foundation/shell.h"

// The user-default key of the base address of the maker's update server
// (unset: nothing is fetched from it).
inline constexpr const char* kUpdateServerURLKey = "UpdateServerURL";
// That base address without trailing slashes; empty when unset.
std::string updateServerBase();

// Where the update looks, read from the user defaults.
struct OrbitDataSources {
  std::string solarSystemURL;       // empty: no catalogue request
  std::string frequencyListURL;     // empty: no request to the update server
  std::string frequencyFallbackURL; // empty: no second source
  static OrbitDataSources fromUserDefaults();
};

class NetworkElementsDownloader final : public ElementsDownloader {
 public:
  // Installs itself as the process's updater.
  NetworkElementsDownloader();
  ~NetworkElementsDownloader() override;
  NetworkElementsDownloader(const NetworkElementsDownloader&) = delete;
  NetworkElementsDownloader& operator=(const NetworkElementsDownloader&) = delete;

  // The automatic check of each foreground entry: starts an update without
  // a results alert when more than an hour has passed since the last good
  // one (or the stored time lies in the future) and none is running.
  // Returns whether one started.
  bool doOrbitalElementCheck();

  // Caches file names.
  static constexpr const char* kSolarSystemFileName = "SolarSystem.skydata";
  static constexpr const char* kFrequencyFileName = "SatelliteFrequencies.txt";
  static constexpr std::size_t kMaxDownloadBytes = std::size_t{64} << 20;

  // Waits until the running update's thread has ended (tests); its report
  // still comes through the main run loop.
  void waitForThread();

 protected:
  bool isUpdating() const override;
  void setDelegate(ElementsDownloaderDelegate* delegate) override;
  bool startUpdate(bool showResults) override;

 private:
  struct State;
  struct Outcome;
  // The main thread's part of an update: hand-over, list, time, report.
  static void finishUpdate(State& state, Outcome outcome, const std::string& cataloguePath,
                           const std::string& listPath, bool showResults);
  // The results alert's text: the count, or why there is none.
  static std::string updateReportText(const Outcome& outcome, bool taken, const UpdateResults& results);
  std::shared_ptr<State> state_;
  std::thread thread_;
};

// Whether the catalogue an earlier update left in Caches at `path` may
// take the bundle's place at launch: it passes the checks a download
// passes today (an earlier version kept downloads without satellites). One
// that does not is named on stderr and left where it is, for the next good
// update to replace; a missing one says nothing.
bool downloadedCatalogueUsable(const std::string& path);

// The update is due: more than an hour (0.041666666666666664 days) since
// the last good update, or a last update later than now (a clock set back
// must not stop updates for good). Julian dates.
bool orbitDataUpdateDue(double lastUpdate, double now);

// Fetches `url` (nothing for an empty one) and, when the answer is
// complete, has status 200, is at most `maxBytes` long and `accept` (given
// the temporary file, in the target's folder) agrees, replaces `path` with
// it. Returns the bytes written, or -1 with the old file untouched and
// `problem` saying why. `cancel`, set from another thread, stops it.
std::int64_t downloadURLToPath(const std::string& url, const std::string& path, std::size_t maxBytes,
                               const std::function<bool(const std::string& temporaryPath, std::string& problem)>& accept,
                               std::string& problem, const std::atomic<bool>* cancel = nullptr);
