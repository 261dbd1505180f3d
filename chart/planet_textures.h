// Surface maps of planets and moons: the index of the map files in the
// image folder's "SolarSystem" directory, the level (map width in pixels)
// a globe needs on the screen, and the one background loader that decodes
// a better map while the chart shows the one it holds.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

struct GImage;

// One file of the index.
struct ImageIndexEntry {
  char name[256];      // path relative to the SolarSystem folder
  char baseName[32];   // after the first "/" up to the next "." or "/"
  std::uint32_t width;
  std::uint32_t height;
  std::int32_t level;  // the number after the leading "p"
  std::int16_t tileCount;
  std::int32_t tileNumber;
};

// Reads the index once: the number of records, or -1 when it is already
// loaded or cannot be opened. A path whose base name does not fit its
// record is left out.
int loadImageIndex(const char* path);
const ImageIndexEntry* findImageIndexEntry(const char* name);
// Forgets the index (tests, and a new image folder).
void unloadImageIndex();

// Map levels run from 64 to 32768 pixels wide; tiles are 1024 square.
inline constexpr std::uint32_t kSmallestTextureLevel = 64;
inline constexpr std::uint32_t kLargestTextureLevel = 32768;
inline constexpr std::uint32_t kTextureTileSize = 1024;

// The smallest level not under pi / angle (the angle in radians one point
// of the screen spans at the body's centre), within 64 to 32768.
std::uint32_t textureLevelForAngle(double angle);

// Relative file names: "p<level>/<base>.jpg" and
// "p<level>/<base>/<base>-<tile>.jpg"; false when they do not fit.
bool singleTextureName(char* out, std::size_t size, std::uint32_t level, const char* base);
bool tileTextureName(char* out, std::size_t size, std::uint32_t level, const char* base,
                     std::uint32_t tile);

// The one background decode of a map. The drawing thread starts a load
// only while none runs and takes the image once the loader has finished;
// the loader touches only the path (read), the image and the running flag
// (written last, with release order).
class PlanetTextureLoader;
// The program's one loader.
PlanetTextureLoader& planetTextureLoader();

class PlanetTextureLoader {
 public:
  PlanetTextureLoader() = default;
  ~PlanetTextureLoader();
  PlanetTextureLoader(const PlanetTextureLoader&) = delete;
  PlanetTextureLoader& operator=(const PlanetTextureLoader&) = delete;

  bool isRunning() const { return running_.load(std::memory_order_acquire); }
  // Starts decoding `path` (full path) for `level` on a detached thread,
  // which holds expectChartRedraw() until it has asked for the redraw;
  // false while a load runs or when no thread can be started. An image
  // still held from an earlier load is freed first.
  bool start(const char* path, std::uint32_t level);
  // The decoded image when the finished load was for `path`: handed over
  // (the caller frees it) and the block cleared. Null while the loader
  // runs, for another path, or when the decode failed.
  GImage* take(const char* path, std::uint32_t* level);
  // Whether the block names `path` (loading or decoded).
  bool holds(const char* path) const;
  // Waits until no load runs (tests and the chart's end).
  void wait() const;

 private:
  static void run(PlanetTextureLoader* loader, std::shared_ptr<void> redrawExpected);
  std::atomic<bool> running_{false};
  std::uint32_t level_ = 0;
  char path_[1024] = {};
  GImage* image_ = nullptr;
};
