#include "skydata/sky_data_index.h"

#include <sys/types.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "skydata/catalog_numbers.h"
#include "skydata/record_io.h"
#include "skydata/sky_data_format.h"

namespace {

bool readBytes(std::FILE* file, void* buffer, std::size_t size) {
  return file != nullptr && std::fread(buffer, 1, size, file) == size;
}

// Parses the region id and object index that end every entry.
void readTarget(const unsigned char bytes[6], CIndexEntry& entry) {
  RecordReader reader(bytes, 6, false);
  entry.region = reader.readRecordU32();
  entry.index = reader.readRecordU16();
}

bool startsWith(const std::string& name, const char* text, std::size_t length, bool caseSensitive) {
  if (name.size() < length) return false;
  if (caseSensitive) return name.compare(0, length, text, length) == 0;
  return strncasecmp(name.c_str(), text, length) == 0;
}

bool contains(const std::string& name, const char* text, bool caseSensitive) {
  if (caseSensitive) return name.find(text) != std::string::npos;
  const std::size_t length = std::strlen(text);
  for (std::size_t start = 0; start + length <= name.size(); ++start) {
    if (strncasecmp(name.c_str() + start, text, length) == 0) return true;
  }
  return false;
}

bool nameMatches(const std::string& name, const char* text, int flags) {
  const bool caseSensitive = (flags & kIndexMatchCaseSensitive) != 0;
  if ((flags & kIndexMatchSubstring) != 0) return contains(name, text, caseSensitive);
  return startsWith(name, text, std::strlen(text), caseSensitive);
}

bool sameTarget(const CIndexEntry& a, const CIndexEntry& b) {
  return a.region == b.region && a.index == b.index;
}

// Appends `entry` unless the results already lead to its object.
bool addUniqueEntry(std::vector<CIndexEntry>& results, const CIndexEntry& entry) {
  for (const CIndexEntry& result : results) {
    if (sameTarget(result, entry)) return false;
  }
  results.push_back(entry);
  return true;
}

}  // namespace

std::int64_t CIndexEntry::read(std::FILE* file, std::int64_t available) {
  unsigned char head[8];
  if (available < kSkyDataNumberEntrySize || !readBytes(file, head, sizeof head)) return -1;
  catalogNumber = RecordReader(head, 8, false).readRecordI64();
  std::int64_t size = kSkyDataNumberEntrySize;
  name.reset();
  if (catalogNumber == 0) {
    unsigned char lengthBytes[4];
    if (!readBytes(file, lengthBytes, 4)) return -1;
    const std::uint32_t length = RecordReader(lengthBytes, 4, false).readRecordU32();
    // The name length is checked against the bytes that remain before
    // anything is allocated for it.
    if (length > available - kSkyDataNameEntryOverhead) return -1;
    std::string text(length, '\0');
    if (length > 0 && !readBytes(file, text.data(), length)) return -1;
    name = std::move(text);
    size = kSkyDataNameEntryOverhead + static_cast<std::int64_t>(length);
  }
  unsigned char target[6];
  if (!readBytes(file, target, 6)) return -1;
  readTarget(target, *this);
  return size;
}

std::int64_t CIndexEntry::readAt(std::FILE* file, std::int64_t i) {
  if (file == nullptr || i < 0) return -1;
  const off_t start = ftello(file);
  if (start < 0 || fseeko(file, start + i * kSkyDataNumberEntrySize, SEEK_SET) != 0) return -1;
  unsigned char bytes[kSkyDataNumberEntrySize];
  const bool ok = readBytes(file, bytes, sizeof bytes);
  fseeko(file, start, SEEK_SET);
  if (!ok) return -1;
  catalogNumber = RecordReader(bytes, 8, false).readRecordI64();
  if (catalogNumber == 0) return -1;
  name.reset();
  readTarget(bytes + 8, *this);
  return kSkyDataNumberEntrySize;
}

int CIndexEntry::compare(const CIndexEntry& a, const CIndexEntry& b) {
  if (a.name && b.name) {
    const int order = a.name->compare(*b.name);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
  }
  return compareCatalogNumbers(a.catalogNumber, b.catalogNumber);
}

std::int64_t CSkyDataIndex::readHeader(std::FILE* file) {
  unsigned char bytes[kSkyDataIndexHeaderSize];
  if (!readBytes(file, bytes, sizeof bytes)) return -1;
  RecordReader reader(bytes, sizeof bytes, false);
  id_ = static_cast<std::uint64_t>(reader.readRecordI64());
  count_ = reader.readRecordU32();
  offset_ = reader.readRecordU32();
  return kSkyDataIndexHeaderSize;
}

bool CSkyDataIndex::attach(std::FILE* file, std::int64_t entriesPosition, std::int64_t fileEnd) {
  // Every entry takes at least 14 bytes, so a count the file cannot hold
  // marks the header as damaged.
  if (file == nullptr || entriesPosition < 0 || entriesPosition > fileEnd ||
      count_ > (fileEnd - entriesPosition) / kSkyDataNumberEntrySize) {
    return false;
  }
  file_ = file;
  entriesPosition_ = entriesPosition;
  fileEnd_ = fileEnd;
  return true;
}

std::int64_t CSkyDataIndex::readEntries() {
  if (file_ == nullptr || fseeko(file_, entriesPosition_, SEEK_SET) != 0) return -1;
  std::vector<CIndexEntry> entries(count_);
  std::int64_t position = entriesPosition_;
  for (CIndexEntry& entry : entries) {
    const std::int64_t size = entry.read(file_, fileEnd_ - position);
    if (size < 0) return -1;
    position += size;
  }
  entries_ = std::move(entries);
  loaded_ = true;
  return position - entriesPosition_;
}

template <typename Visit>
void CSkyDataIndex::forEachEntry(Visit visit) {
  if (loaded_) {
    for (const CIndexEntry& entry : entries_) {
      if (!visit(entry)) return;
    }
    return;
  }
  if (file_ == nullptr || fseeko(file_, entriesPosition_, SEEK_SET) != 0) return;
  std::int64_t position = entriesPosition_;
  CIndexEntry entry;
  for (std::uint32_t i = 0; i < count_; ++i) {
    const std::int64_t size = entry.read(file_, fileEnd_ - position);
    if (size < 0) return;
    position += size;
    if (!visit(entry)) return;
  }
}

bool CSkyDataIndex::entryAt(std::int64_t i, CIndexEntry& entry) {
  if (i < 0 || i >= count_) return false;
  if (loaded_) {
    entry = entries_[static_cast<std::size_t>(i)];
    return true;
  }
  if (file_ == nullptr || fseeko(file_, entriesPosition_, SEEK_SET) != 0) return false;
  return entry.readAt(file_, i) > 0;
}

int CSkyDataIndex::findByName(const char* text, int flags, std::vector<CIndexEntry>& results,
                              int maximum) {
  if (text == nullptr || maximum <= 0) return 0;
  const std::size_t start = results.size();
  const std::size_t limit = start + static_cast<std::size_t>(maximum);
  const bool everything = text[0] == '\0';
  forEachEntry([&](const CIndexEntry& entry) {
    if (results.size() >= limit) return false;
    if (!entry.name) return true;
    if (everything) {
      results.push_back(entry);
    } else if (nameMatches(*entry.name, text, flags)) {
      addUniqueEntry(results, entry);
    }
    return true;
  });
  return static_cast<int>(results.size() - start);
}

int CSkyDataIndex::findByNumber(std::int64_t number, std::vector<CIndexEntry>& results,
                                int maximum) {
  int catalogue = 0;
  std::int64_t entryPart = 0;
  splitCatalogNumber(number, &catalogue, &entryPart);
  if (maximum <= 0 || number == 0 || static_cast<std::int64_t>(id_) != catalogue) return 0;
  const std::size_t start = results.size();
  const std::size_t limit = start + static_cast<std::size_t>(maximum);

  if (entryPart == 0) {
    forEachEntry([&](const CIndexEntry& entry) {
      if (results.size() >= limit) return false;
      if (catalogNumbersMatch(entry.catalogNumber, number)) addUniqueEntry(results, entry);
      return true;
    });
    return static_cast<int>(results.size() - start);
  }

  CIndexEntry key;
  key.catalogNumber = number;
  CIndexEntry entry;
  std::int64_t low = 0;
  std::int64_t high = static_cast<std::int64_t>(count_) - 1;
  std::int64_t found = -1;
  while (low <= high) {
    const std::int64_t middle = (low + high) / 2;
    if (!entryAt(middle, entry)) return 0;
    const int order = CIndexEntry::compare(entry, key);
    if (order == 0) {
      found = middle;
      break;
    }
    if (order < 0) low = middle + 1;
    else high = middle - 1;
  }
  if (found < 0) return 0;

  // Equivalent numbers (a Bayer letter with and without its superscript,
  // NGC numbers with suffix letters) sit next to each other in the sorted
  // index, so the matches form one run around the entry found.
  while (found > 0 && entryAt(found - 1, entry) && catalogNumbersMatch(entry.catalogNumber, number)) {
    --found;
  }
  for (std::int64_t i = found; i < count_ && results.size() < limit; ++i) {
    if (!entryAt(i, entry) || !catalogNumbersMatch(entry.catalogNumber, number)) break;
    addUniqueEntry(results, entry);
  }
  return static_cast<int>(results.size() - start);
}
