// One region of a `.skydata` file's octree: a box with the magnitude range
// of its objects, its block of object records and up to eight children.
//
// A region owns its children and, while loaded, its objects; every loaded
// object carries the owned-by-region mark, so nobody else deletes it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "skydata/sky_data_index.h"

class CSkyObject;
class CSkyDataRegion;

// A scan test: asked test(region, null, context) about a region and
// test(null, object, context) about an object; true accepts.
using RegionObjectTest = bool (*)(CSkyDataRegion* region, CSkyObject* object, void* context);

// Record layout of a file's object blocks.
inline constexpr int kVariableRecords = 0;

class CSkyDataRegion {
 public:
  // A region about to be read: id 0, magnitudes -32768 and 32767, an
  // unbounded box.
  CSkyDataRegion();
  CSkyDataRegion(std::uint32_t id, float brightest, float faintest, const float minimum[3],
                 const float maximum[3]);
  CSkyDataRegion(const CSkyDataRegion&) = delete;
  CSkyDataRegion& operator=(const CSkyDataRegion&) = delete;
  ~CSkyDataRegion();

  // Reads this region's 47-byte header at the file position (fields
  // reversed when asked); with `recurse`, also the children the child mask
  // announces, depth first. The header must carry `expectedID` (0 for the
  // root, 8p + k + 1 below). Returns the bytes read, or -1 for a short
  // read, an unexpected id or an id past 32 bits.
  std::int64_t readHeader(std::FILE* file, bool recurse, bool reverse,
                          std::uint32_t expectedID = 0);

  // Reads the region's block (block-size bytes at the file position) and
  // builds every object: with a fixed `recordSize` each record makes a star
  // (type 1); with kVariableRecords each record is preceded by its 16-bit
  // little-endian length and begins with its type code. Returns the sum of
  // the record readers' results, or -1 (nothing kept) when the block is
  // short, the count does not fit the block, a type code has no class or a
  // record is damaged.
  std::int64_t readObjects(std::FILE* file, int recordSize, bool reverse);
  // Reads the block and returns a new object for the record at `index`
  // alone, owned by the caller (unmarked); null on any failure.
  CSkyObject* readObjectAt(std::FILE* file, int recordSize, std::uint16_t index, bool reverse);
  void deleteObjects();

  // Appends an entry (no name, catalogue number 0, this region, the
  // object's index) for each loaded object the test accepts, at most
  // `maximum`, then (with `recurse`) goes on into the children. Returns
  // how many were appended.
  int findObjects(RegionObjectTest test, void* context, bool recurse,
                  std::vector<CIndexEntry>& results, int maximum);

  // Box geometry in the catalogue's position units.
  void getCenter(double center[3]) const;
  // Corner n: bit 0 maximum x, bit 1 maximum y, bit 2 maximum z; a box flat
  // in one axis has four corners (n modulo 4) in order around it.
  void getCorner(int n, double corner[3]) const;
  double getDiagonal() const;
  bool contains(const double point[3]) const;
  // True when the box is flat in some axis (a two-dimensional catalogue).
  bool isFlat() const;

  std::uint32_t getID() const { return id_; }
  float getBrightestMagnitude() const { return brightest_; }
  float getFaintestMagnitude() const { return faintest_; }
  const float* getMinimum() const { return minimum_; }
  const float* getMaximum() const { return maximum_; }
  std::uint16_t getObjectCount() const { return objectCount_; }
  std::uint32_t getBlockSize() const { return blockSize_; }
  std::uint32_t getBlockOffset() const { return blockOffset_; }
  bool isLoaded() const { return loaded_; }
  // Loaded object `i` (marked owned by the region), or null.
  CSkyObject* getObject(std::size_t i) const;
  CSkyDataRegion* getChild(int k) const { return k >= 0 && k < 8 ? children_[k].get() : nullptr; }

 private:
  // Reads the block into memory, checking the object count against it.
  bool readBlock(std::FILE* file, int recordSize, std::vector<unsigned char>& block) const;
  // Builds objects from the block, up to and including `last`; only
  // `keepFrom` and later are kept in `objects`. -1 on failure.
  std::int64_t buildObjects(const std::vector<unsigned char>& block, int recordSize, bool reverse,
                            std::size_t keepFrom, std::size_t last,
                            std::vector<std::unique_ptr<CSkyObject>>& objects) const;

  std::uint32_t id_ = 0;
  float brightest_ = -32768.0f;
  float faintest_ = 32767.0f;
  float minimum_[3];
  float maximum_[3];
  std::uint32_t blockSize_ = 0;
  std::uint32_t blockOffset_ = 0;
  std::uint16_t objectCount_ = 0;
  bool loaded_ = false;
  std::vector<std::unique_ptr<CSkyObject>> objects_;
  std::unique_ptr<CSkyDataRegion> children_[8];
};
