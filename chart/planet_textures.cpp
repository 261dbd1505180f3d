// Surface maps: the image index, levels, base names, the background
// loader, and the request that hands a body the map it needs.
#include "chart/planet_textures.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

#include "chart/image_files.h"
#include "chart/sky_chart.h"
#include "chart/solar_internal.h"
#include "skydata/app_bridge.h"
#include "skydata/object_types.h"
#include "skydata/open_file.h"
#include "skydata/planet.h"

namespace {

constexpr double kPi = 3.141592653589793;

struct ImageIndex {
  bool loaded = false;
  std::vector<ImageIndexEntry> entries;  // sorted by name
};

ImageIndex& imageIndex() {
  static ImageIndex index;
  return index;
}

// Tiles of a tiled level.
std::int16_t tileCountForLevel(int level) {
  switch (level) {
    case 4096: return 8;
    case 8192: return 32;
    case 16384: return 128;
    case 32768: return 512;
    default: return 0;
  }
}

// The record of one index line's path; false when the line is dropped.
bool parseIndexPath(const char* path, ImageIndexEntry* entry) {
  std::size_t length = std::strlen(path);
  if (length < 4 || length >= sizeof entry->name) return false;
  *entry = ImageIndexEntry{};
  std::memcpy(entry->name, path, length + 1);
  entry->level = path[0] == 'p' ? std::atoi(path + 1) : 0;
  if (entry->level <= 0) return false;
  const char* slash = std::strchr(path, '/');
  if (slash == nullptr) return false;
  const char* base = slash + 1;
  std::size_t baseLength = std::strcspn(base, "./");
  // A base name longer than its record would be cut into another name.
  if (baseLength >= sizeof entry->baseName) return false;
  std::memcpy(entry->baseName, base, baseLength);
  const char* second = std::strchr(base, '/');
  if (second != nullptr) {
    const char* digit = second + 1;
    while (*digit != 0 && (*digit < '0' || *digit > '9')) ++digit;
    entry->tileNumber = std::atoi(digit);
    entry->tileCount = tileCountForLevel(entry->level);
    entry->width = entry->height = kTextureTileSize;
  } else {
    entry->width = static_cast<std::uint32_t>(entry->level);
    entry->height = static_cast<std::uint32_t>(entry->level) / 2;
  }
  return true;
}

bool byName(const ImageIndexEntry& a, const ImageIndexEntry& b) {
  return std::strcmp(a.name, b.name) < 0;
}

}  // namespace

int loadImageIndex(const char* path) {
  ImageIndex& index = imageIndex();
  if (index.loaded || path == nullptr) return -1;
  std::int64_t offset = 0, length = 0;
  std::FILE* file = openFileWithSize(path, "r", &offset, &length);
  if (file == nullptr) return -1;
  char line[256];
  while (std::fgets(line, sizeof line, file) != nullptr) {
    // A line longer than the buffer: the rest is skipped, not read as
    // another line.
    if (std::strchr(line, '\n') == nullptr && !std::feof(file)) {
      int c;
      while ((c = std::fgetc(file)) != EOF && c != '\n') {
      }
    }
    line[std::strcspn(line, "\t\r\n")] = 0;
    ImageIndexEntry entry;
    if (parseIndexPath(line, &entry)) index.entries.push_back(entry);
    if (std::ftell(file) - offset >= length) break;
  }
  std::fclose(file);
  std::sort(index.entries.begin(), index.entries.end(), byName);
  index.loaded = true;
  return static_cast<int>(index.entries.size());
}

const ImageIndexEntry* findImageIndexEntry(const char* name) {
  if (name == nullptr) return nullptr;
  const auto& entries = imageIndex().entries;
  ImageIndexEntry key;
  std::size_t length = std::strlen(name);
  if (length >= sizeof key.name) return nullptr;
  std::memcpy(key.name, name, length + 1);
  auto it = std::lower_bound(entries.begin(), entries.end(), key, byName);
  return it != entries.end() && std::strcmp(it->name, name) == 0 ? &*it : nullptr;
}

void unloadImageIndex() {
  imageIndex().entries.clear();
  imageIndex().loaded = false;
}

std::uint32_t textureLevelForAngle(double angle) {
  if (std::isnan(angle)) return kSmallestTextureLevel;
  // In floating point: pi over a tiny angle does not fit an int.
  double needed = angle > 0 ? std::floor(kPi / angle) : HUGE_VAL;
  std::uint32_t level = kSmallestTextureLevel;
  while (level < kLargestTextureLevel && level < needed) level *= 2;
  return level;
}

bool singleTextureName(char* out, std::size_t size, std::uint32_t level, const char* base) {
  int n = std::snprintf(out, size, "p%u/%s.jpg", level, base);
  return n > 0 && static_cast<std::size_t>(n) < size;
}

bool tileTextureName(char* out, std::size_t size, std::uint32_t level, const char* base,
                     std::uint32_t tile) {
  int n = std::snprintf(out, size, "p%u/%s/%s-%u.jpg", level, base, base, tile);
  return n > 0 && static_cast<std::size_t>(n) < size;
}

// ---- The loader ----

PlanetTextureLoader::~PlanetTextureLoader() {
  wait();
  freeImage(image_);
}

void PlanetTextureLoader::wait() const {
  while (isRunning()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

bool PlanetTextureLoader::holds(const char* path) const {
  return path != nullptr && std::strcmp(path_, path) == 0;
}

bool PlanetTextureLoader::start(const char* path, std::uint32_t level) {
  if (path == nullptr || isRunning() || std::strlen(path) >= sizeof path_) return false;
  freeImage(image_);
  image_ = nullptr;
  std::strcpy(path_, path);
  level_ = level;
  // Set before the thread exists: the drawing thread never sees a running
  // loader as idle.
  running_.store(true, std::memory_order_release);
  try {
    std::thread(run, this, expectChartRedraw()).detach();
  } catch (const std::system_error&) {
    running_.store(false, std::memory_order_release);
    path_[0] = 0;
    return false;
  }
  return true;
}

void PlanetTextureLoader::run(PlanetTextureLoader* loader, std::shared_ptr<void> redrawExpected) {
  std::int64_t offset = 0, length = 0;
  GImage* image = nullptr;
  if (std::FILE* file = openFileWithSize(loader->path_, "rb", &offset, &length)) {
    image = readImageFile(file);
    std::fclose(file);
  }
  loader->image_ = image;
  if (image != nullptr) requestChartRedraw();
  redrawExpected.reset();
  // Last: the image is complete for whoever sees the flag clear.
  loader->running_.store(false, std::memory_order_release);
}

GImage* PlanetTextureLoader::take(const char* path, std::uint32_t* level) {
  if (isRunning() || !holds(path) || image_ == nullptr) return nullptr;
  GImage* image = image_;
  if (level != nullptr) *level = level_;
  image_ = nullptr;
  path_[0] = 0;
  level_ = 0;
  return image;
}

// ---- A body's maps ----

PlanetTextureLoader& planetTextureLoader() {
  // One for the program: it lives past every chart, so a detached load
  // never outlives its block.
  static PlanetTextureLoader loader;
  return loader;
}

bool CSkyChart::textureBaseName(const CSkyObject* object, bool night, char* out,
                                std::size_t size) const {
  const CPlanet* body = asBody(object);
  if (body == nullptr || size == 0) return false;
  const char* first = body->getType() == kTypeAsteroid ? "Hyperion" : body->getNameAt(0);
  if (first == nullptr) return false;
  const char* suffix = "";
  std::uint32_t number = body->getBodyNumber();
  bool major = body->getType() == kTypePlanet || body->getType() == kTypeMoon;
  if (major && (number == 2 || number == 3 || number == 606) && !showPlanetAtmospheres)
    suffix = "-Surface";
  if (major && number == 3 && night) suffix = "-Night";
  if (body->getType() == kTypePlanet && number == 4) {
    static const char* const kMarsStyles[] = {"", "-Schiaparelli", "-Lowell", "-Topographic",
                                              "-Terraformed"};
    if (marsStyle >= 1 && marsStyle <= 4) suffix = kMarsStyles[marsStyle];
  }
  int n = std::snprintf(out, size, "%s%s", first, suffix);
  return n > 0 && static_cast<std::size_t>(n) < size;
}

namespace {

// The largest level whose file is in the index, from 32768 down; 0 when
// none.
std::uint32_t largestIndexedLevel(const char* base, bool tiled) {
  char name[256];
  for (std::uint32_t level = kLargestTextureLevel; level >= kSmallestTextureLevel; level /= 2) {
    bool fits = tiled ? tileTextureName(name, sizeof name, level, base, 0)
                      : singleTextureName(name, sizeof name, level, base);
    if (fits && findImageIndexEntry(name) != nullptr) return level;
  }
  return 0;
}

int cachedLevel(std::uint32_t* cache, std::uint32_t found) {
  if (cache != nullptr) *cache = found != 0 ? found : kLevelNone;
  return found != 0 ? static_cast<int>(found) : -1;
}

}  // namespace

int CSkyChart::bestTextureLevel(CSkyObject* object) {
  ObjectRenderData* data = getRenderData(object);
  if (data != nullptr && data->bestLevel != kLevelUnknown)
    return data->bestLevel == kLevelNone ? -1 : static_cast<int>(data->bestLevel);
  char base[64];
  if (!textureBaseName(object, false, base, sizeof base)) return -1;
  std::uint32_t level = largestIndexedLevel(base, false);
  if (level == 0) {
    int type = object->getType();
    level = largestIndexedLevel(type == kTypeAsteroid || type == kTypeComet ? "Hyperion" : "Default",
                                false);
  }
  return cachedLevel(data != nullptr ? &data->bestLevel : nullptr, level);
}

int CSkyChart::bestTiledTextureLevel(CSkyObject* object) {
  ObjectRenderData* data = getRenderData(object);
  if (data != nullptr && data->bestTiledLevel != kLevelUnknown)
    return data->bestTiledLevel == kLevelNone ? -1 : static_cast<int>(data->bestTiledLevel);
  const CPlanet* body = asBody(object);
  const char* first = body != nullptr ? body->getNameAt(0) : nullptr;
  std::uint32_t level = first != nullptr ? largestIndexedLevel(first, true) : 0;
  return cachedLevel(data != nullptr ? &data->bestTiledLevel : nullptr, level);
}

TextureTile* CSkyChart::requestPlanetTexture(CSkyObject* object, std::uint32_t level, bool tiled,
                                             std::uint32_t row, std::uint32_t column,
                                             bool night) {
  ObjectRenderData* data = getRenderData(object);
  char base[64], name[256], path[1024];
  if (data == nullptr || !textureBaseName(object, night, base, sizeof base)) return nullptr;
  std::uint32_t tile = column + row * (level / kTextureTileSize);
  bool named = tiled ? tileTextureName(name, sizeof name, level, base, tile)
                     : singleTextureName(name, sizeof name, level, base);
  // A map the index does not list is never read: a missing night tile
  // would otherwise be looked for again every frame, holding up the
  // loader.
  if (!named || findImageIndexEntry(name) == nullptr) return nullptr;
  TextureTile* slot = nullptr;
  for (TextureTile& record : data->tiles) {
    if (record.name[0] == 0) {
      if (slot == nullptr) slot = &record;
    } else if (std::strcmp(record.name, name) == 0 && isTextureLoaded(&record.texture)) {
      return &record;
    }
  }
  if (slot == nullptr) return nullptr;
  int n = std::snprintf(path, sizeof path, "%s/SolarSystem/%s", imageDirectory, name);
  if (n <= 0 || static_cast<std::size_t>(n) >= sizeof path) return nullptr;
  auto fill = [&](std::uint32_t filledLevel) {
    std::strcpy(slot->name, name);
    slot->tiled = tiled ? 1 : 0;
    slot->level = filledLevel;
    slot->row = row;
    slot->column = column;
    return slot;
  };

  PlanetTextureLoader& loader = planetTextureLoader();
  std::uint32_t loadedLevel = 0;
  if (GImage* image = loader.take(path, &loadedLevel)) {
    // As a file loaded at once: grey under a colour filter, within the
    // texture size limit.
    image = prepareTextureImage(image);
    makeTextureFromImage(&slot->texture, image);
    freeImage(image);
    if (!isTextureLoaded(&slot->texture)) {
      slot->texture = TextureData{};
      return nullptr;
    }
    return fill(loadedLevel);
  }

  TextureTile* substitute = nullptr;
  if (!tiled) {
    char held[256];
    for (std::uint32_t l = kLargestTextureLevel; l >= kSmallestTextureLevel; l /= 2) {
      if (!singleTextureName(held, sizeof held, l, base)) continue;
      for (TextureTile& record : data->tiles)
        if (!record.tiled && std::strcmp(record.name, held) == 0 && isTextureLoaded(&record.texture))
          substitute = &record;
    }
    if (substitute == nullptr) {
      if (!loadTextureFile(&slot->texture, path)) return nullptr;
      return fill(level);
    }
  }
  if (!loader.isRunning()) loader.start(path, level);
  return substitute;
}

CSkyChart::TextureLevels CSkyChart::chooseTextureLevels(CSkyObject* object) {
  TextureLevels levels{-1, -1, false};
  const CPlanet* body = asBody(object);
  if (body == nullptr) return levels;
  // The angle one point of the screen spans at the body's centre.
  double angle = angleForRadius(contentScale);
  if (!earthView) {
    double d = body->getDistance(), r = getObjectRadius(body);
    angle *= r > 0 ? (d - r) / r : HUGE_VAL;
  }
  auto needed = static_cast<int>(textureLevelForAngle(angle));
  int best = bestTextureLevel(object);
  if (best > 0) {
    // A single map over the GL's limit would fail to upload, and be read
    // again, every frame.
    int limit = static_cast<int>(kSmallestTextureLevel);
    while (limit * 2 <= maxTextureSize && limit < static_cast<int>(kLargestTextureLevel)) limit *= 2;
    levels.single = std::min({best, needed, limit});
    levels.single = std::max(levels.single, static_cast<int>(kSmallestTextureLevel));
  }
  int tiled = bestTiledTextureLevel(object);
  if (tiled > 0 && levels.single < needed) {
    levels.useTiles = true;
    levels.tiled = std::min(tiled, needed);
  }
  return levels;
}
