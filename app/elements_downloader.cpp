#include "app/elements_downloader.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "app/orbit_data_checks.h"
#include "chart/sky_chart.h"
#include "engine/clock.h"
#include "platform/foundation/bundle.h"
#include "platform/foundation/file_io.h"
#include "platform/foundation/run_loop.h"
#include "platform/foundation/url_connection.h"
#include "platform/foundation/user_defaults.h"
#include "platform/host/diagnostics.h"
#include "skydata/catalog_numbers.h"
#include "skydata/object_types.h"
#include "skydata/satellite_frequencies.h"
#include "skydata/sky_database.h"
#include "skydata/sky_object.h"
#include "ui/foundation/utility.h"

namespace {

constexpr double kOneHourInDays = 0.041666666666666664;
constexpr int kIssNoradNumber = 25544;

std::string describe(const ns::URLResult& result) {
  if (result.error != ns::URLError::none) return result.errorMessage.empty() ? "transfer failed" : result.errorMessage;
  if (result.response.statusCode != 200) return "status " + std::to_string(result.response.statusCode);
  return "empty answer";
}

bool acceptCatalogue(const std::string& temporaryPath, std::string& problem) {
  return validateSolarSystemCatalogue(temporaryPath, problem);
}

bool acceptFrequencyList(const std::string& temporaryPath, std::string& problem) {
  std::optional<std::string> text = ns::readWholeFile(temporaryPath);
  if (!text) {
    problem = "cannot be read back";
    return false;
  }
  return validateFrequencyList(*text, problem);
}

// `problem` says why nothing was written.
std::int64_t download(const char* what, const std::string& url, const std::string& path,
                      bool (*accept)(const std::string&, std::string&), const std::atomic<bool>* cancel,
                      std::string& problem) {
  std::int64_t bytes = downloadURLToPath(url, path, NetworkElementsDownloader::kMaxDownloadBytes, accept, problem,
                                         cancel);
  // Without a source set there is nothing the user could mend: said only
  // to whoever traces the program.
  if (bytes < 0 && (!url.empty() || host::tracing()))
    std::fprintf(stderr, "%s not updated from %s: %s\n", what, url.empty() ? "(no source)" : url.c_str(),
                 problem.c_str());
  return bytes;
}

// After every update, good or not: the ISS becomes the selection unless a
// satellite or spacecraft is selected already. The satellite view is then
// entered anew, as a selection made in it enters it: round the ISS, or
// round the Earth that a satellite the new catalogue lacks fell back to
// (the chart kept that satellite's distance, inside the Earth).
void selectTheIssUnlessASatelliteIs(ChartViewController& controller) {
  CSkyChart* chart = controller.pSkyChart();
  if (chart == nullptr || chart->database == nullptr) return;
  if (const CSkyObject* selected = chart->selectedObject) {
    if (selected->getType() == kTypeSatellite || selected->getType() == kTypeSpacecraft) return;
  }
  std::vector<SkyObjectID> found;
  if (chart->database->findObjectsByCatalogNumber(makeCatalogNumber(kCatalogSatellite, kIssNoradNumber), 1, found,
                                                  1) > 0)
    chart->selectObject(&found[0]);
  if (ChartView* view = controller.chartView(); view != nullptr && view->chartPerspective() == 3)
    view->setChartPerspective(3);
  controller.updateSelectedObject();
}

// A path under the home folder as the user would type it.
std::string homeRelative(const std::string& path) {
  const char* home = std::getenv("HOME");
  const std::size_t length = home != nullptr ? std::strlen(home) : 0;
  if (length > 1 && path.compare(0, length, home) == 0 && (path.size() == length || path[length] == '/'))
    return "~" + path.substr(length);
  return path;
}

}  // namespace

// What the update's thread found, for the main thread to act on.
struct NetworkElementsDownloader::Outcome {
  bool sourceSet = false;  // a catalogue was asked for
  std::int64_t catalogueBytes = -1;
  std::string catalogueProblem;  // why none came
  std::int64_t listBytes = -1;
};

struct NetworkElementsDownloader::State {
  std::atomic<bool> updating{false};
  std::atomic<bool> cancel{false};
  // Main thread only.
  ElementsDownloaderDelegate* delegate = nullptr;
  bool alive = true;
};

std::string updateServerBase() {
  std::string base = ns::UserDefaults::standard().stringForKey(kUpdateServerURLKey).value_or("");
  while (!base.empty() && base.back() == '/') base.pop_back();
  return base;
}

OrbitDataSources OrbitDataSources::fromUserDefaults() {
  ns::UserDefaults& defaults = ns::UserDefaults::standard();
  OrbitDataSources sources;
  const std::string server = updateServerBase();
  if (!server.empty()) {
    sources.solarSystemURL = server + "/updates/Tessaly/" + NetworkElementsDownloader::kSolarSystemFileName;
    sources.frequencyListURL = server + "/updates/satellites/other/SatelliteFrequencies.csv";
  }
  sources.frequencyFallbackURL = defaults.stringForKey("FrequencyListFallbackURL").value_or("");
  return sources;
}

bool downloadedCatalogueUsable(const std::string& path) {
  std::error_code ignored;
  if (!std::filesystem::exists(path, ignored)) return false;
  std::string problem;
  if (validateSolarSystemCatalogue(path, problem)) return true;
  std::fprintf(stderr,
               "Downloaded orbit data %s not used: %s; the bundle's catalogue serves until an update brings good "
               "data\n",
               homeRelative(path).c_str(), problem.c_str());
  return false;
}

bool orbitDataUpdateDue(double lastUpdate, double now) {
  return now - lastUpdate > kOneHourInDays || lastUpdate > now;
}

std::int64_t downloadURLToPath(const std::string& url, const std::string& path, std::size_t maxBytes,
                               const std::function<bool(const std::string&, std::string&)>& accept,
                               std::string& problem, const std::atomic<bool>* cancel) {
  if (url.empty()) {
    problem = "no source is set";
    return -1;
  }
  ns::URLRequest request;
  request.url = url;
  request.maxBodyBytes = maxBytes;
  ns::URLResult result = ns::sendSynchronousRequest(request, cancel);
  // libcurl reports a body cut short of its announced length as an error;
  // only a whole 200 answer may go on.
  if (result.error != ns::URLError::none || result.response.statusCode != 200 || result.data.empty()) {
    problem = describe(result);
    return -1;
  }
  problem.clear();
  const bool replaced = ns::replaceFileIfAccepted(path, result.data, [&](const std::string& temporaryPath) {
    return !accept || accept(temporaryPath, problem);
  });
  if (!replaced) {
    if (problem.empty()) problem = "cannot be written to " + path;
    return -1;
  }
  return static_cast<std::int64_t>(result.data.size());
}

NetworkElementsDownloader::NetworkElementsDownloader() : state_(std::make_shared<State>()) { setShared(this); }

NetworkElementsDownloader::~NetworkElementsDownloader() {
  state_->alive = false;
  state_->cancel = true;
  waitForThread();
}

void NetworkElementsDownloader::waitForThread() {
  if (thread_.joinable()) thread_.join();
}

bool NetworkElementsDownloader::isUpdating() const { return state_->updating.load(); }

void NetworkElementsDownloader::setDelegate(ElementsDownloaderDelegate* delegate) { state_->delegate = delegate; }

bool NetworkElementsDownloader::doOrbitalElementCheck() {
  const double last = ns::UserDefaults::standard().doubleForKey(kLastUpdateTimeKey);
  if (!orbitDataUpdateDue(last, currentJulianDate()) || isUpdating()) return false;
  setDelegate(nullptr);
  return startUpdate(false);
}

bool NetworkElementsDownloader::startUpdate(bool showResults) {
  ChartViewController* controller = ChartViewController::currentController();
  if (controller == nullptr || controller->pSkyChart() == nullptr) return false;
  // Claimed here, before the thread exists, so a second trigger in the
  // meantime finds it taken.
  bool idle = false;
  if (!state_->updating.compare_exchange_strong(idle, true)) return false;
  waitForThread();  // the last update's thread has reported already

  const OrbitDataSources sources = OrbitDataSources::fromUserDefaults();
  const std::string caches = ns::cachesDirectory() + "/";
  std::shared_ptr<State> state = state_;
  // A headless script's wait lasts until the report below has run.
  std::shared_ptr<void> report = ns::RunLoop::main().expectReport();
  thread_ = std::thread([state, sources, caches, showResults, report]() mutable {
    Outcome outcome;
    outcome.sourceSet = !sources.solarSystemURL.empty();
    const std::string cataloguePath = caches + kSolarSystemFileName, listPath = caches + kFrequencyFileName;
    outcome.catalogueBytes = download("Solar-system catalogue", sources.solarSystemURL, cataloguePath,
                                      acceptCatalogue, &state->cancel, outcome.catalogueProblem);
    std::string listProblem;
    outcome.listBytes = download("Frequency list", sources.frequencyListURL, listPath, acceptFrequencyList,
                                 &state->cancel, listProblem);
    if (outcome.listBytes <= 0)
      outcome.listBytes = download("Frequency list", sources.frequencyFallbackURL, listPath, acceptFrequencyList,
                                   &state->cancel, listProblem);
    // The token goes with the report: the thread keeps no copy that could
    // outlast it.
    ns::performOnMainThread([state, outcome, cataloguePath, listPath, showResults, report = std::move(report)] {
      if (!state->alive) return;
      finishUpdate(*state, outcome, cataloguePath, outcome.listBytes > 0 ? listPath : std::string(), showResults);
    });
  });
  return true;
}

void NetworkElementsDownloader::finishUpdate(State& state, Outcome outcome, const std::string& cataloguePath,
                                             const std::string& listPath, bool showResults) {
  UpdateResults results{};
  ChartViewController* controller = ChartViewController::currentController();
  CSkyChart* chart = controller != nullptr ? controller->pSkyChart() : nullptr;
  // The chart loads the new catalogue here, between frames, in whatever
  // perspective it shows; the time counts only for a catalogue it took.
  bool taken = false;
  if (outcome.catalogueBytes > 0 && chart != nullptr) {
    results.bytes = static_cast<std::int32_t>(outcome.catalogueBytes);
    taken = chart->updateSolarSystemData(cataloguePath.c_str(), &results);
    if (taken) {
      ns::UserDefaults& defaults = ns::UserDefaults::standard();
      defaults.setDouble(kLastUpdateTimeKey, currentJulianDate());
      defaults.synchronize();
    } else {
      outcome.catalogueProblem = "the downloaded catalogue did not load";
      std::fprintf(stderr, "Solar-system catalogue not updated: %s from %s; the orbit data in use stays\n",
                   outcome.catalogueProblem.c_str(), cataloguePath.c_str());
    }
  }
  // The update's log is the program's own business.
  const bool tracing = host::tracing();
  if (tracing) std::fprintf(stderr, "Downloaded %d bytes (%d objects)\n", results.bytes, results.objects);
  // Pages copy rows of the list on the main thread, so it is replaced here.
  if (!listPath.empty() && loadSatelliteFrequencies(listPath.c_str()) > 0 && tracing)
    std::fprintf(stderr, "Updated satellite frequency file\n");
  state.updating = false;

  if (showResults) Utility::showAlertWithTitle("Update Results", updateReportText(outcome, taken, results));
  if (controller != nullptr) selectTheIssUnlessASatelliteIs(*controller);
  if (state.delegate != nullptr) state.delegate->downloadFinished(results);
}

std::string NetworkElementsDownloader::updateReportText(const Outcome& outcome, bool taken,
                                                        const UpdateResults& results) {
  // A count of 0 would read as "nothing was new" when nothing was asked
  // for or nothing came.
  if (!outcome.sourceSet)
    return "No update source is set. Add the line \"s " + std::string(kUpdateServerURLKey) +
           " https://example.org\" (your server) to " + homeRelative(ns::UserDefaults::standard().path()) +
           ", or convert a downloaded element-set file with the catalogue tool (see the README).";
  if (!taken)
    return "The orbit data could not be updated" +
           (outcome.catalogueProblem.empty() ? std::string(".") : " (" + outcome.catalogueProblem + ").");
  return std::to_string(results.satellites) + " satellites were updated.";
}
