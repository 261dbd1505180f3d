// The solar-system layer's records: the draw list's entries, the drawing
// block each drawn body keeps its textures, meshes and model in, and the
// counts an orbit-data update reports.
//
// Thread rules: the draw list and the blocks belong to the drawing thread;
// only the planet-texture loader (planet_textures.cpp) runs elsewhere, and
// touches none of them.
#pragma once

#include <cstdint>

#include "chart/image_files.h"

struct MeshGrid;
class CModel3D;

// One entry of the draw list, sorted far to near.
struct PlanetDistance {
  std::int32_t flag;  // 0 the object; -1 its orbit's near part, +1 its far part
  std::uint32_t region;
  std::uint32_t index;
  float distance;  // AU from the observer
};

// Orbit records an object adds beside its own.
inline constexpr std::int32_t kOrbitNearSide = -1;
inline constexpr std::int32_t kOrbitFarSide = 1;

// A surface map or one tile of it, held by a body.
struct TextureTile {
  TextureData texture;
  char name[256];  // relative to the SolarSystem folder; empty: a free slot
  std::uint8_t tiled;
  std::uint32_t level;  // width of the whole map in pixels
  std::uint32_t column;
  std::uint32_t row;
};

inline constexpr int kTextureTilesPerObject = 512;
// Cached level lookups: not yet looked up, and none found.
inline constexpr std::uint32_t kLevelUnknown = 0;
inline constexpr std::uint32_t kLevelNone = 0xFFFFFFFFu;

// A drawn body's GPU data and lookups, zeroed at allocation; attached to
// the body (CPlanet::setRenderData) while it is drawn.
struct ObjectRenderData {
  TextureTile tiles[kTextureTilesPerObject];
  TextureData ringTexture;
  MeshGrid* sphereMesh;
  MeshGrid* ringMesh;
  // Orbit points of the orbit drawing (3 doubles each), their count and
  // the chart time they were computed for.
  double* orbitPoints;
  std::int32_t orbitPointCount;
  double orbitTime;
  char modelPath[256];  // empty: no model chosen yet
  CModel3D* model;
  std::uint32_t bestLevel;       // kLevelUnknown, kLevelNone or a level
  std::uint32_t bestTiledLevel;  // likewise
  std::int32_t featureCount;     // 0 not looked up, -1 none
  std::uint16_t* features;
  double ringStartAngle;  // body longitude of the ring mesh's first column
};

// Which part of a body's map a batch of globe triangles covers: the whole
// map, or the 1024-pixel tile (row, column) of a map `level` pixels wide.
struct GlobeMapPart {
  bool tiled;
  std::uint32_t level;
  std::uint32_t row;
  std::uint32_t column;
};

// A body of the draw list this frame: drawn at (x, y) with screen radius
// r, hidden (its textures and meshes go), or passed over by the naked-eye
// option (it keeps them).
enum class SolarPlacement { shown, hidden, passedOver };
struct SolarPlace {
  float x, y, r;
};

// What an orbit-data update brought (the downloader's report).
struct UpdateResults {
  std::int32_t bytes;       // of the solar-system file downloaded
  std::int32_t objects;     // in the new file
  std::int32_t asteroids;   // type 33
  std::int32_t comets;      // type 34
  std::int32_t satellites;  // types 35 and 36
};

