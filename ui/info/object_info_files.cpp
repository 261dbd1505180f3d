// Where the object information screen finds an object's description: a
// page of the bundle's "SkyInfo" folders by the object's names or number,
// a page of its satellite category, or one generated for it.
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "chart/sky_chart.h"
#include "platform/foundation/bundle.h"
#include "platform/foundation/file_io.h"
#include "skydata/object_factory.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/satellite.h"
#include "support/utf8.h"
#include "ui/info/description_page.h"
#include "ui/info/english_names.h"
#include "ui/info/object_info_view_controller.h"
#include "ui/info/page_links.h"

namespace {

constexpr int kMostNames = 16;
constexpr std::size_t kNameSize = 256;
constexpr std::size_t kPageSize = 10000;

std::string skyInfoFolder(const std::string& folder) {
  std::string path = ns::Bundle::main().resourcePath() + "/SkyInfo";
  if (!folder.empty()) path += "/" + folder;
  return path;
}

std::string trimmed(const std::string& text) {
  const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  auto begin = std::find_if_not(text.begin(), text.end(), blank);
  auto end = std::find_if_not(text.rbegin(), text.rend(), blank).base();
  return begin < end ? std::string(begin, end) : std::string();
}

bool equalIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// The files of a folder in name order (none for a missing folder).
std::vector<std::string> listFolder(const std::string& path) {
  std::vector<std::string> names;
  std::error_code error;
  for (std::filesystem::directory_iterator it(path, error), end; !error && it != end;
       it.increment(error))
    if (it->is_regular_file(error)) names.push_back(it->path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The description folder of an object type.
std::string folderForType(int type) {
  if (type >= 1 && type <= 9) return "Stars";
  if (type >= 10 && type <= 29) return "DeepSky";
  if (type >= 30 && type <= 34) return "SolarSystem";
  if (type == kTypeSatellite || type == kTypeSpacecraft) return "Satellites";
  if (type == kTypeConstellation) return "Constellations";
  if (type == kTypeAsterism) return "Asterisms";
  return "";
}

// The category page a satellite without a page of its own may share.
const char* satelliteCategoryPage(const CSkyObject& object) {
  const CSatellite* satellite = asSatellite(&object);
  if (satellite == nullptr) return nullptr;
  if (satellite->hasCategory(35)) return "Starlink";
  if (satellite->hasCategory(36)) return "OneWeb";
  if (satellite->hasCategory(18)) return "Flock";
  if (satellite->hasCategory(19)) return "Lemur";
  return nullptr;
}

// The sixteen name buffers, made once for the process.
char* const* nameBuffers() {
  static std::array<std::array<char, kNameSize>, kMostNames> storage{};
  static const std::array<char*, kMostNames> pointers = [] {
    std::array<char*, kMostNames> p{};
    for (int i = 0; i < kMostNames; ++i) p[i] = storage[i].data();
    return p;
  }();
  return pointers.data();
}

// The generated page written as "temp.html" in the temporary folder
// (replaced whole, so that nothing planted there is written through); its
// path, or "" when it could not be made.
std::string writeGeneratedPage(CSkyChart& chart, CSkyObject& object) {
  std::vector<char> page(kPageSize, '\0');
  if (!getObjectDescriptionHTML(&chart, &object, page.data(), page.size())) return {};
  const std::string path = ns::temporaryDirectory() + "/temp.html";
  if (!ns::writeFileAtomically(path, page.data())) {
    std::fprintf(stderr, "%s: the description page cannot be written\n", path.c_str());
    return {};
  }
  return path;
}

}  // namespace

std::string ObjectInfoViewController::findFilenameForObject(const std::string& name, int number,
                                                            const std::string& folder) {
  std::string key = name;
  key.erase(std::remove(key.begin(), key.end(), '/'), key.end());
  char numberKey[16] = "";
  if (number >= 1) std::snprintf(numberKey, sizeof numberKey, "%05d", number);
  for (const std::string& file : listFolder(skyInfoFolder(folder))) {
    const std::string stem = file.substr(0, file.rfind('.'));
    std::size_t start = 0;
    while (start <= stem.size()) {
      const std::size_t comma = stem.find(',', start);
      const std::string part = trimmed(
          stem.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
      if ((numberKey[0] != '\0' && part == numberKey) ||
          (!key.empty() && equalIgnoringCase(part, key)))
        return file;
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
  }
  return {};
}

std::string ObjectInfoViewController::findFilenameForSatelliteCategory(const std::string& category,
                                                                       const std::string& folder) {
  const std::string file = category + ".html";
  std::error_code error;
  return std::filesystem::is_regular_file(skyInfoFolder(folder) + "/" + file, error)
             ? file
             : std::string();
}

std::string ObjectInfoViewController::findDescriptionPage(CSkyChart& chart, CSkyObject& object) {
  char* const* names = nameBuffers();
  const int count = getEnglishObjectNames(nullptr, &object, names, kMostNames, kNameSize);
  const int type = object.getType();
  const std::string folder = folderForType(type);
  const CPlanet* body = asPlanet(&object);
  const int number = (type == kTypeSatellite || type == kTypeSpacecraft) && body != nullptr
                         ? static_cast<int>(body->getBodyNumber())
                         : 0;
  std::string page;
  bool examined = false;
  for (int i = 0; i < count; ++i) {
    if (!isValidUtf8(names[i])) continue;
    examined = true;
    std::string file = findFilenameForObject(names[i], number, folder);
    if (file.empty() && type == kTypeSatellite)
      if (const char* category = satelliteCategoryPage(object))
        file = findFilenameForSatelliteCategory(category, folder);
    if (!file.empty()) page = fileURL(skyInfoFolder(folder) + "/" + file);
  }
  if (!examined || !page.empty()) return page;
  const std::string generated = writeGeneratedPage(chart, object);
  return generated.empty() ? std::string() : fileURL(generated);
}
