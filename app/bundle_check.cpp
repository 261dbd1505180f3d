#include "app/bundle_check.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <set>

#include "mechanics/jpl_ephemeris.h"
#include "platform/uikit/interface_loader.h"
#include "skydata/open_file.h"
#include "skydata/sky_database.h"
#include "support/utf8.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kMissing = "missing";
constexpr const char* kEmpty = "empty";
constexpr const char* kDoesNotRead = "does not read";

// The folders of image indexes; each line of an index begins with the
// picture's file name within the folder.
constexpr const char* kIndexedPictureFolders[] = {"SkyImages/SolarSystem", "SkyImages/DeepSky",
                                                  "SkyImages/Constellations"};
// The pictures the chart asks for by name: the Milky Way's outline and
// visible-light styles, and the horizon panorama of the sky view.
constexpr const char* kNamedPictures[] = {"SkyImages/MilkyWay/Outline.png", "SkyImages/MilkyWay/Visible.jpg",
                                          "SkyImages/Horizons/Beaver Lake.png"};

// Where a screen definition lies: Interface/<name>.json.
const std::string kInterfaceFolder = "Interface/", kInterfaceType = ".json";
// The screen definitions the program loads, each when its screen opens.
constexpr const char* kInterfaceDefinitions[] = {
    "ChartView", "MessageView", "QuickStartView", "AlertsView", "CountriesShownView", "GroundCirclesView",
    "GroundSettingsView", "HelpItemView", "HelpListView", "LiveAdjustView", "LocationGroupPicker",
    "LocationMapView", "LocationPicker", "LocationView", "ObjectInfoView", "ObjectInfoView-iPad",
    "ObjectListTableViewCell", "ObjectListView", "OrbitSettingsView", "SatelliteSettingsView",
    "SatellitesShownView", "SearchResultsView", "SearchView", "SettingsView", "SkySettingsView",
    "WarningTimesView", "WebBrowserView"};

// Text an index line may hold: UTF-8 without control characters but the
// tabs between fields.
bool isIndexLine(const std::string& line) {
  std::string fields = line;
  std::replace(fields.begin(), fields.end(), '\t', ' ');
  return printableText(fields) == fields;
}

// A picture's file name: a format the chart reads, by its extension.
bool isPictureName(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return false;
  std::string extension = name.substr(dot + 1);
  for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
  for (const char* known : {"png", "jpg", "jpeg", "gif", "bmp", "tif", "tiff"})
    if (extension == known) return true;
  return false;
}

class FaultFinder {
 public:
  explicit FaultFinder(const std::string& bundle) : bundle_(bundle) {}

  // A file some loader has read: when it failed, each of its files that
  // is not there, or the first when all are.
  void loaded(bool ok, std::initializer_list<const char*> files) {
    if (ok) return;
    bool named = false;
    for (const char* file : files) named |= lacks(file);
    if (!named) add(*files.begin(), kDoesNotRead);
  }
  // A file that must be there and hold something; whether it was found
  // wanting (and so recorded).
  bool lacks(const std::string& file) {
    const char* reason = absence(file);
    if (reason != nullptr) add(file, reason);
    return reason != nullptr;
  }
  void picture(const std::string& file) {
    if (!lacks(file) && !looksWhole(path(file))) add(file, kDoesNotRead);
  }
  // The index and every picture it lists, each picture once. These are
  // thousands: each is only looked up, not read, which a launch on a cold
  // disk would wait for. An index with a line that is no entry (bytes that
  // are not text, or a first field that names no picture) does not read:
  // it is named itself, and its garbage is not taken for file names.
  void indexedPictures(const std::string& folder) {
    const std::string index = folder + "/Index.txt";
    if (lacks(index)) return;
    std::ifstream lines(path(index), std::ios::binary);
    std::vector<std::string> pictures;
    std::set<std::string> seen;
    bool damaged = false;
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty()) continue;
      const std::string name = line.substr(0, line.find_first_of(" \t"));
      if (!isIndexLine(line) || !isPictureName(name)) damaged = true;
      else if (seen.insert(name).second) pictures.push_back(name);
    }
    if (damaged) add(index, kDoesNotRead);
    for (const std::string& name : pictures) lacks(folder + "/" + name);
  }
  // A screen definition: there, and read as one by the interface loader.
  void definition(const std::string& file) {
    if (lacks(file)) return;
    std::ifstream in(path(file), std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    if (!ui::InterfaceLoader::definitionFault(text).empty()) add(file, kDoesNotRead);
  }
  std::vector<BundleFault> faults() && { return std::move(faults_); }
  std::string path(const std::string& file) const { return bundle_ + "/" + file; }

 private:
  void add(const std::string& file, const char* reason) { faults_.push_back({file, reason}); }

  // Why a file cannot serve: not there, not a file, or empty; null when
  // it can.
  const char* absence(const std::string& file) const {
    std::error_code error;
    const fs::directory_entry entry(path(file), error);
    if (!entry.exists(error)) return kMissing;
    if (!entry.is_regular_file(error)) return kDoesNotRead;
    return entry.file_size(error) == 0 ? kEmpty : nullptr;
  }

  // One of the formats the chart reads and, for PNG and JPEG (all that
  // the data steps write), ending in the format's end marker, which a
  // copy cut short lacks. Checked without decoding: a launch looks at
  // thousands of pictures.
  static bool looksWhole(const std::string& path) {
    static constexpr unsigned char kPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    static constexpr unsigned char kPngEnd[] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
    static constexpr unsigned char kJpeg[] = {0xFF, 0xD8, 0xFF};
    static constexpr unsigned char kJpegEnd[] = {0xFF, 0xD9};
    std::array<unsigned char, sizeof kPng> head{};
    std::array<unsigned char, sizeof kPngEnd> tail{};
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    const std::streamoff size = file.tellg();
    if (!file || size < std::streamoff(tail.size())) return false;
    file.seekg(0).read(reinterpret_cast<char*>(head.data()), head.size());
    file.seekg(size - std::streamoff(tail.size())).read(reinterpret_cast<char*>(tail.data()), tail.size());
    if (!file) return false;
    const auto begins = [&](const unsigned char* magic, std::size_t n) {
      return std::memcmp(head.data(), magic, n) == 0;
    };
    const auto ends = [&](const unsigned char* magic, std::size_t n) {
      return std::memcmp(tail.data() + tail.size() - n, magic, n) == 0;
    };
    if (begins(kPng, sizeof kPng)) return ends(kPngEnd, sizeof kPngEnd);
    if (begins(kJpeg, sizeof kJpeg)) return ends(kJpegEnd, sizeof kJpegEnd);
    for (const char* magic : {"GIF8", "BM", "II*", "MM"})
      if (begins(reinterpret_cast<const unsigned char*>(magic), std::strlen(magic))) return true;
    return false;
  }

  std::string bundle_;
  std::vector<BundleFault> faults_;
};

// Whether the JPL file opens as an ephemeris (the chart falls back to the
// series without a word when it does not).
bool ephemerisOpens(const std::string& path) {
  std::int64_t offset = 0, length = 0;
  std::FILE* file = openFileWithSize(path.c_str(), "rb", &offset, &length);
  if (file == nullptr) return false;
  JPLEphemeris* ephemeris = openJPLEphemeris(file, offset, length, nullptr, 0, nullptr, 0);
  if (ephemeris == nullptr) {
    std::fclose(file);
    return false;
  }
  closeJPLEphemeris(ephemeris);
  return true;
}

// `text` as one word of a shell command, whatever it holds: in single
// quotes, each single quote inside closing them, escaped, and opening them
// again ('\''). A quote left bare in a folder's name would cut the command
// into other words, and rm would remove those instead of the stamp.
std::string shellWord(std::string_view text) {
  std::string word = "'";
  for (char c : text) {
    if (c == '\'') word += "'\\''";
    else word += c;
  }
  return word + "'";
}

}  // namespace

std::vector<BundleFault> findBundleFaults(const std::string& bundle, const CSkyDatabase& database,
                                          WorldBordersRead worldBorders) {
  FaultFinder find(bundle);
  find.loaded(database.getSolarSystemFile() != nullptr, {"SkyData/SolarSystem.skydata"});
  switch (worldBorders) {
    case WorldBordersRead::whole: break;
    case WorldBordersRead::unopened:
      find.loaded(false, {"WorldBorders/TM_WORLD_BORDERS_SIMPL.shp", "WorldBorders/TM_WORLD_BORDERS_SIMPL.shx",
                          "WorldBorders/TM_WORLD_BORDERS_SIMPL.dbf"});
      break;
    case WorldBordersRead::cutAttributes: find.loaded(false, {"WorldBorders/TM_WORLD_BORDERS_SIMPL.dbf"}); break;
    case WorldBordersRead::damagedShapes: find.loaded(false, {"WorldBorders/TM_WORLD_BORDERS_SIMPL.shp"}); break;
  }
  find.loaded(database.getStarsFile() != nullptr, {"SkyData/Stars.skydata"});
  find.loaded(database.getTychoStarsFile() != nullptr, {"SkyData/TychoStars.skydata"});
  find.loaded(database.getGuideStarsFile() != nullptr, {"SkyData/GuideStars.skydata"});
  find.loaded(database.getDeepSkyFile() != nullptr, {"SkyData/DeepSky.skydata"});
  find.loaded(database.getConstellationsFile() != nullptr, {"SkyData/Constellations.skydata"});
  find.loaded(ephemerisOpens(find.path("SkyData/JPL/DE438.eph")), {"SkyData/JPL/DE438.eph"});
  for (const char* shader : {"Shaders/VertexShader.glsl", "Shaders/FragmentShader.glsl"}) find.lacks(shader);
  for (const char* folder : kIndexedPictureFolders) find.indexedPictures(folder);
  for (const char* picture : kNamedPictures) find.picture(picture);
  for (const char* name : kInterfaceDefinitions) find.definition(kInterfaceFolder + (name + kInterfaceType));
  return std::move(find).faults();
}

std::string bundleFaultReport(const std::string& bundle, const std::vector<BundleFault>& faults) {
  if (faults.empty()) return {};
  // Names come from the disk and from the bundle's own indexes: nothing
  // in them may drive the terminal.
  const std::string shown = printableText(bundle);
  std::string report = "The data bundle " + shown + " is damaged or incomplete; the chart goes on without:\n";
  for (const BundleFault& fault : faults) report += "  " + printableText(fault.file) + ": " + fault.reason + "\n";
  // The run command rebuilds the data when its stamp no longer matches
  // what the data is made from: a file lost since then needs the stamp
  // gone.
  report += "Rebuild it from the source tree with: rm -f " + shellWord(shown + "/.data-stamp") +
            "; TESSALY_BUNDLE=" + shellWord(shown) + " bash scripts/run.sh\n";
  return report;
}

std::vector<std::string> damagedScreenDefinitions(const std::vector<BundleFault>& faults) {
  std::vector<std::string> names;
  for (const BundleFault& fault : faults)
    if (fault.file.starts_with(kInterfaceFolder) && fault.file.ends_with(kInterfaceType))
      names.push_back(fault.file.substr(kInterfaceFolder.size(),
                                        fault.file.size() - kInterfaceFolder.size() - kInterfaceType.size()));
  return names;
}
