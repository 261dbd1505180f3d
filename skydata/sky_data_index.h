// The lookup indexes of a `.skydata` file: by name (index id 0) and by
// catalogue number (the index id is the catalogue code).
//
// An index answers from its entries when they are loaded, otherwise from
// the file: name entries are read one after another, catalogue-number
// entries (fixed 14 bytes, sorted ascending as signed numbers) are
// binary-searched in place. Every read is bounded by the end of the file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "skydata/sky_data_format.h"

// One index entry: a name (name index) or a catalogue number, and the
// object it leads to.
class CIndexEntry {
 public:
  std::optional<std::string> name;
  std::int64_t catalogNumber = 0;
  std::uint32_t region = 0;
  std::uint16_t index = 0;

  // Reads one entry at the file position, taking at most `available`
  // bytes; returns the bytes read, or -1 for a short read or an entry that
  // would run past `available`.
  std::int64_t read(std::FILE* file, std::int64_t available);
  // Reads entry i of a block of 14-byte number entries that starts at the
  // file position, and restores the position. -1 when the entry cannot be
  // read or is not a number entry.
  std::int64_t readAt(std::FILE* file, std::int64_t i);
  // By catalogue number as signed values, or by the bytes of the names
  // when both have one: -1, 0 or 1.
  static int compare(const CIndexEntry& a, const CIndexEntry& b);
};

// Name-search flags.
inline constexpr int kIndexMatchCaseSensitive = 1;
inline constexpr int kIndexMatchSubstring = 2;

class CSkyDataIndex {
 public:
  CSkyDataIndex() = default;
  CSkyDataIndex(const CSkyDataIndex&) = delete;
  CSkyDataIndex& operator=(const CSkyDataIndex&) = delete;

  // Bytes of one index header in the file's header table.
  static constexpr int getHeaderSize() { return kSkyDataIndexHeaderSize; }
  // Reads the 16-byte header (id, entry count, entry-block offset) at the
  // file position; returns 16 or -1.
  std::int64_t readHeader(std::FILE* file);
  // Where this index's entries lie: the open file, the absolute position of
  // the entry block and the end of the file. Returns false (and leaves the
  // index unattached) when the entry count cannot fit in that space.
  bool attach(std::FILE* file, std::int64_t entriesPosition, std::int64_t fileEnd);
  // Loads every entry from the entry block; returns the bytes read, or -1
  // (nothing kept) when the block is damaged or short.
  std::int64_t readEntries();

  // Appends name matches to `results` (at most `maximum` new entries) and
  // returns how many were appended. Flags: kIndexMatchCaseSensitive (else
  // case is ignored), kIndexMatchSubstring (else the name must begin with
  // the text). An empty text matches every named entry, duplicates
  // included; otherwise an entry leading to an object already in
  // `results` is not added again.
  int findByName(const char* text, int flags, std::vector<CIndexEntry>& results, int maximum);
  // Appends the entries whose numbers match `number` (catalogNumbersMatch)
  // and returns how many were appended. Nothing when the number's
  // catalogue is not this index's id. An entry part 0 walks the whole
  // index; any other is binary-searched.
  int findByNumber(std::int64_t number, std::vector<CIndexEntry>& results, int maximum);

  std::uint64_t getID() const { return id_; }
  std::uint32_t getEntryCount() const { return count_; }
  std::uint32_t getEntryOffset() const { return offset_; }
  std::int64_t getEntriesPosition() const { return entriesPosition_; }
  bool isLoaded() const { return loaded_; }
  const std::vector<CIndexEntry>& getEntries() const { return entries_; }

 private:
  // Entry i, from memory or read from the file (number entries only).
  bool entryAt(std::int64_t i, CIndexEntry& entry);
  // Calls visit(entry) for every entry in order until it returns false or
  // an entry cannot be read.
  template <typename Visit>
  void forEachEntry(Visit visit);

  std::uint64_t id_ = 0;
  std::uint32_t count_ = 0;
  std::uint32_t offset_ = 0;
  std::FILE* file_ = nullptr;
  std::int64_t entriesPosition_ = -1;
  std::int64_t fileEnd_ = 0;
  bool loaded_ = false;
  std::vector<CIndexEntry> entries_;
};
