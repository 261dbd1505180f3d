// CSkyDataFile: one open `.skydata` catalogue (sky_data_format.h): its
// header and region tree, read when the file is opened; its regions'
// objects, loaded on first need; and its name and catalogue-number
// indexes, answered from memory or from the file.
//
// Everything read is checked against the file's length before it is
// allocated or used: a damaged header or region tree makes readHeader
// fail; a damaged object block leaves only its region unloadable; a
// damaged index section makes readIndexes fail. Not thread-safe: lookups
// move the file position.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "skydata/sky_data_index.h"
#include "skydata/sky_data_region.h"

class CSkyObject;

class CSkyDataFile {
 public:
  // Opens the path read-only; an unopenable path leaves the file closed
  // and every later operation fails.
  explicit CSkyDataFile(const char* path);
  CSkyDataFile(const CSkyDataFile&) = delete;
  CSkyDataFile& operator=(const CSkyDataFile&) = delete;
  ~CSkyDataFile();

  // Reads the file header and the whole region tree from the start of the
  // file. Returns the bytes read, 0 for a wrong version, -1 for a short
  // read, a closed file or a damaged header or tree.
  std::int64_t readHeader();
  // Reads the index section's headers (and, when asked, every index's
  // entries). Returns the bytes read, -1 (no index kept) on failure.
  std::int64_t readIndexes(bool loadEntries);
  // Loads the entries of the index with that id; -1 when there is none or
  // its entries are damaged.
  std::int64_t loadIndex(std::uint64_t id);
  CSkyDataIndex* getIndex(std::uint64_t id) const;
  int getIndexCount() const { return static_cast<int>(indexes_.size()); }
  CSkyDataIndex* getIndexAt(int i) const;
  // Positions the file at the index's entry block and returns that
  // position; -1 for a null index.
  std::int64_t seekIndexEntries(CSkyDataIndex* index);

  // The region of that id (0 the root); null for kNoRegionID or when a
  // region on its path is absent.
  CSkyDataRegion* findRegion(std::uint32_t id) const;
  CSkyDataRegion* getRoot() const { return root_.get(); }
  // Loads the region's objects (the root's for null) unless loaded; -1
  // when there is no region or its block cannot be read, 0 when there was
  // nothing to do, else the record readers' total.
  std::int64_t loadRegionObjects(CSkyDataRegion* region);
  // The object at `index` of a region, loading the region on first use;
  // marked as owned by the region. When the region cannot be loaded, the
  // one record is read alone and returned unmarked (the caller deletes
  // it). Null past the object count or when nothing can be read.
  CSkyObject* getObject(std::uint32_t regionID, std::uint16_t index);
  // The object at `index` read alone, unmarked and owned by the caller;
  // the file position is restored.
  CSkyObject* readObject(std::uint32_t regionID, std::uint16_t index);

  // Index lookup: a catalogue number (not 0) in the index of its
  // catalogue, then a name (not null) in the name index, appended after
  // the number results. At most `maximum` entries in all; returns how
  // many were appended.
  int searchIndexes(std::int64_t catalogNumber, const char* name, int flags,
                    std::vector<CIndexEntry>& results, int maximum);
  // Walks the tree from `region` (the root for null): asks the test about
  // each region; an accepted region's accepted objects are collected
  // (loading the region for the time of the scan when it is not loaded);
  // children are visited whatever the answer, while room remains.
  int scanRegions(CSkyDataRegion* region, RegionObjectTest test, void* context,
                  std::vector<CIndexEntry>& results, int maximum);

  // Closes and reopens the file when a path is given, then reads the
  // header and tree, every region's objects and every index with its
  // entries, replacing (and releasing) what was held before. Returns the
  // bytes read, -1 on any failure.
  std::int64_t reopen(const char* path);

  bool isOpen() const { return file_ != nullptr; }
  // True for a file written in the other byte order.
  bool isReversed() const { return version_ < 0; }
  int getVersion() const { return version_; }
  std::uint32_t getDataStart() const { return dataStart_; }
  std::int32_t getRecordSizeWord() const { return recordSizeWord_; }
  std::uint32_t getObjectCount() const { return objectCount_; }
  std::int64_t getFileLength() const { return fileLength_; }
  std::uint8_t getHeaderByte(int i) const { return headerBytes_[i & 1]; }
  std::uint32_t getLastHeaderWord() const { return lastHeaderWord_; }
  // Fixed record size, or kVariableRecords.
  int getRecordSize() const;

 private:
  void open(const char* path);
  void close();
  // Where the object data ends and the index section begins; -1 when the
  // header's sizes do not fit the file.
  std::int64_t indexSectionPosition() const;
  // Positions the file at the region's block after checking that the
  // block lies within the object data.
  bool seekBlock(const CSkyDataRegion& region);
  std::int64_t loadAllRegions(CSkyDataRegion* region);
  void scanRegion(CSkyDataRegion* region, RegionObjectTest test, void* context,
                  std::vector<CIndexEntry>& results, int maximum, int& found);

  int version_ = kDefaultVersion;
  std::uint8_t headerBytes_[2] = {3, 1};
  std::uint32_t dataStart_ = 0;
  std::int32_t recordSizeWord_ = 0;
  std::uint32_t objectCount_ = 0;
  std::uint32_t lastHeaderWord_ = 1;
  std::unique_ptr<CSkyDataRegion> root_;
  std::FILE* file_ = nullptr;
  std::int64_t baseOffset_ = 0;
  std::int64_t fileLength_ = 0;
  std::vector<std::unique_ptr<CSkyDataIndex>> indexes_;

  static constexpr int kDefaultVersion = 2560;
};
