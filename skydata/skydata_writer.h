// SkyDataWriter: builds `.skydata` catalogues (sky_data_format.h) for the
// catalogue tools and for tests. The program itself only reads them.
//
// Regions are named by id (child k of region p is 8p + k + 1) and created
// with their ancestors on first use; a region's box is its parent's box
// halved along each axis (bit a of k picks the upper half of axis a; a
// flat axis stays flat) unless set explicitly. The file is laid out as the
// reader expects: the region tree in preorder, each region's records in
// one contiguous block in the same order, region magnitudes spanning every
// object of the region's subtree, catalogue-number indexes sorted for the
// reader's binary search on the file.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class CSkyObject;

class SkyDataWriter {
 public:
  // `fixedRecordSize` 0 writes variable records (each with its length and
  // its type code first); 1-65535 writes records of that size (stars). With
  // `otherByteOrder` the header, region headers and object records are
  // big-endian.
  explicit SkyDataWriter(int fixedRecordSize = 0, bool otherByteOrder = false);

  // The root's box; by default the cube from -1 to 1.
  void setRootBox(const float minimum[3], const float maximum[3]);
  // The box of one region (created when absent); false for an id no tree
  // can hold.
  bool setRegionBox(std::uint32_t id, const float minimum[3], const float maximum[3]);
  // Creates the region and its ancestors; false for an id no tree can
  // hold.
  bool addRegion(std::uint32_t id);

  // Appends one record to a region and returns its object index; -1 when
  // the region cannot exist, is full (65535 records), or the record does
  // not fit the layout (a variable record of 1-65535 bytes; a fixed one of
  // exactly the fixed size). `magnitude` counts towards the region's range
  // unless it is infinite or NaN.
  int addRecord(std::uint32_t region, const std::string& record, float magnitude);
  // The same with the object's own record (CSkyObject::writeRecord) and
  // magnitude; in a file of fixed-size records the record is padded with
  // zero bytes to that size (-1 when it is longer).
  int addObject(std::uint32_t region, const CSkyObject& object);
  int addObject(std::uint32_t region, const CSkyObject& object, float magnitude);

  // Index entries: names go to the name index (id 0) in the order given;
  // numbers to the index of their catalogue.
  void addNameEntry(const std::string& name, std::uint32_t region, std::uint16_t index);
  void addNumberEntry(std::int64_t catalogNumber, std::uint32_t region, std::uint16_t index);
  // Adds an index with no entries (a catalogue the file announces).
  void addIndex(std::uint64_t id);

  // The two header bytes and the last header word (3, 1 and 1 unless set).
  void setHeaderBytes(std::uint8_t first, std::uint8_t second, std::uint32_t lastWord);

  // The whole file; empty when it would exceed the format's 32-bit sizes.
  std::string bytes() const;
  // Writes the file atomically (a temporary file renamed over the path);
  // false on failure.
  bool writeFile(const std::string& path) const;

 private:
  struct Region {
    float minimum[3];
    float maximum[3];
    std::vector<std::string> records;
    float brightest;
    float faintest;
  };
  struct Entry {
    std::int64_t catalogNumber;
    std::string name;
    std::uint32_t region;
    std::uint16_t index;
  };

  Region* region(std::uint32_t id);
  // Depth-first preorder of the present regions.
  void collectPreorder(std::uint32_t id, std::vector<std::uint32_t>& order) const;
  // Fills `ranges` with the magnitude span of each region's subtree.
  void subtreeRange(std::uint32_t id, std::map<std::uint32_t, std::pair<float, float>>& ranges) const;

  int fixedRecordSize_;
  bool otherByteOrder_;
  std::uint8_t headerBytes_[2] = {3, 1};
  std::uint32_t lastWord_ = 1;
  std::map<std::uint32_t, Region> regions_;
  std::map<std::uint64_t, std::vector<Entry>> indexes_;
};
