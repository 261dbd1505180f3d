#include "skydata/sky_data_file.h"

#include <sys/types.h>

#include "skydata/catalog_numbers.h"
#include "skydata/open_file.h"
#include "skydata/record_io.h"
#include "skydata/sky_data_format.h"
#include "skydata/sky_object.h"

CSkyDataFile::CSkyDataFile(const char* path) : root_(std::make_unique<CSkyDataRegion>()) {
  open(path);
}

CSkyDataFile::~CSkyDataFile() { close(); }

void CSkyDataFile::open(const char* path) {
  fileLength_ = 0;
  file_ = openFileWithSize(path, "rb", &baseOffset_, &fileLength_);
}

void CSkyDataFile::close() {
  // The indexes read through the stream, so they go with it.
  indexes_.clear();
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

int CSkyDataFile::getRecordSize() const {
  return recordSizeWord_ < 0 ? static_cast<int>(static_cast<std::uint32_t>(-std::int64_t{recordSizeWord_}) & 0xFFFFu)
                             : kVariableRecords;
}

std::int64_t CSkyDataFile::indexSectionPosition() const {
  const std::int64_t dataSize = recordSizeWord_ < 0
                                    ? std::int64_t{getRecordSize()} * objectCount_
                                    : std::int64_t{recordSizeWord_};
  const std::int64_t position = baseOffset_ + std::int64_t{dataStart_} + dataSize;
  return position <= fileLength_ ? position : -1;
}

std::int64_t CSkyDataFile::readHeader() {
  if (file_ == nullptr || fseeko(file_, baseOffset_, SEEK_SET) != 0) return -1;
  unsigned char bytes[kSkyDataFileHeaderSize];
  if (std::fread(bytes, 1, 2, file_) != 2) return -1;
  // A file in the other byte order shows the version's high byte first.
  const bool reverse = bytes[0] != 0;
  const unsigned version = reverse ? (bytes[0] << 8 | bytes[1]) : (bytes[1] << 8 | bytes[0]);
  if (version != kSkyDataVersion) return 0;
  if (std::fread(bytes + 2, 1, sizeof bytes - 2, file_) != sizeof bytes - 2) return -1;
  RecordReader reader(bytes + 2, sizeof bytes - 2, reverse);
  const std::uint8_t first = reader.readRecordU8();
  const std::uint8_t second = reader.readRecordU8();
  const auto recordSizeWord = static_cast<std::int32_t>(reader.readRecordU32());
  const std::uint32_t dataStart = reader.readRecordU32();
  const std::uint32_t objectCount = reader.readRecordU32();
  const std::uint32_t lastWord = reader.readRecordU32();

  auto root = std::make_unique<CSkyDataRegion>();
  const std::int64_t treeBytes = root->readHeader(file_, true, reverse, 0);
  if (treeBytes < 0) return -1;

  version_ = reverse ? -kDefaultVersion : kDefaultVersion;
  headerBytes_[0] = first;
  headerBytes_[1] = second;
  recordSizeWord_ = recordSizeWord;
  dataStart_ = dataStart;
  objectCount_ = objectCount;
  lastHeaderWord_ = lastWord;
  // A fixed size that is 0 in its 16 bits, or object data that would run
  // past the end of the file, means the header is damaged.
  if ((recordSizeWord < 0 && getRecordSize() == 0) || indexSectionPosition() < 0) return -1;
  root_ = std::move(root);
  return kSkyDataFileHeaderSize + treeBytes;
}

std::int64_t CSkyDataFile::readIndexes(bool loadEntries) {
  const std::int64_t position = file_ == nullptr ? -1 : indexSectionPosition();
  if (position < 0 || fseeko(file_, position, SEEK_SET) != 0) return -1;
  unsigned char countBytes[4];
  if (std::fread(countBytes, 1, 4, file_) != 4) return -1;
  const std::uint32_t count = RecordReader(countBytes, 4, false).readRecordU32();
  if (count > (fileLength_ - position - 4) / CSkyDataIndex::getHeaderSize()) return -1;
  const std::int64_t headersEnd = position + 4 + std::int64_t{count} * CSkyDataIndex::getHeaderSize();

  std::vector<std::unique_ptr<CSkyDataIndex>> indexes;
  indexes.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    auto index = std::make_unique<CSkyDataIndex>();
    if (index->readHeader(file_) < 0) return -1;
    indexes.push_back(std::move(index));
  }
  std::int64_t total = headersEnd - position;
  for (auto& index : indexes) {
    if (!index->attach(file_, headersEnd + index->getEntryOffset(), fileLength_)) return -1;
    if (loadEntries) {
      const std::int64_t read = index->readEntries();
      if (read < 0) return -1;
      total += read;
    }
  }
  indexes_ = std::move(indexes);
  return total;
}

std::int64_t CSkyDataFile::loadIndex(std::uint64_t id) {
  CSkyDataIndex* index = getIndex(id);
  if (index == nullptr || seekIndexEntries(index) < 0) return -1;
  return index->readEntries();
}

CSkyDataIndex* CSkyDataFile::getIndex(std::uint64_t id) const {
  for (const auto& index : indexes_) {
    if (index->getID() == id) return index.get();
  }
  return nullptr;
}

CSkyDataIndex* CSkyDataFile::getIndexAt(int i) const {
  return i >= 0 && i < getIndexCount() ? indexes_[static_cast<std::size_t>(i)].get() : nullptr;
}

std::int64_t CSkyDataFile::seekIndexEntries(CSkyDataIndex* index) {
  if (index == nullptr || file_ == nullptr) return -1;
  const std::int64_t position = index->getEntriesPosition();
  if (position < 0 || fseeko(file_, position, SEEK_SET) != 0) return -1;
  return position;
}

CSkyDataRegion* CSkyDataFile::findRegion(std::uint32_t id) const {
  if (id == kNoRegionID || !root_) return nullptr;
  // Child numbers from the region up to the root; ids fit in 32 bits, so
  // a path has at most 11 steps.
  int path[12];
  int depth = 0;
  while (id != 0 && depth < 12) {
    path[depth++] = static_cast<int>((id - 1) % 8);
    id = (id - 1) / 8;
  }
  CSkyDataRegion* region = root_.get();
  while (depth > 0 && region != nullptr) region = region->getChild(path[--depth]);
  return region;
}

bool CSkyDataFile::seekBlock(const CSkyDataRegion& region) {
  const std::int64_t dataEnd = indexSectionPosition();
  const std::int64_t start = baseOffset_ + std::int64_t{dataStart_} + region.getBlockOffset();
  if (file_ == nullptr || dataEnd < 0 || start + std::int64_t{region.getBlockSize()} > dataEnd) {
    return false;
  }
  return fseeko(file_, start, SEEK_SET) == 0;
}

std::int64_t CSkyDataFile::loadRegionObjects(CSkyDataRegion* region) {
  if (region == nullptr) region = root_.get();
  if (region == nullptr) return -1;
  if (region->isLoaded() || region->getObjectCount() == 0) return 0;
  if (!seekBlock(*region)) return -1;
  return region->readObjects(file_, getRecordSize(), isReversed());
}

CSkyObject* CSkyDataFile::getObject(std::uint32_t regionID, std::uint16_t index) {
  CSkyDataRegion* region = findRegion(regionID);
  if (region == nullptr || index >= region->getObjectCount()) return nullptr;
  if (!region->isLoaded()) loadRegionObjects(region);
  if (region->isLoaded()) return region->getObject(index);
  return readObject(regionID, index);
}

CSkyObject* CSkyDataFile::readObject(std::uint32_t regionID, std::uint16_t index) {
  CSkyDataRegion* region = findRegion(regionID);
  if (region == nullptr || file_ == nullptr) return nullptr;
  const off_t saved = ftello(file_);
  CSkyObject* object = nullptr;
  if (seekBlock(*region)) object = region->readObjectAt(file_, getRecordSize(), index, isReversed());
  if (saved >= 0) fseeko(file_, saved, SEEK_SET);
  return object;
}

int CSkyDataFile::searchIndexes(std::int64_t catalogNumber, const char* name, int flags,
                                std::vector<CIndexEntry>& results, int maximum) {
  int found = 0;
  if (catalogNumber != 0) {
    CSkyDataIndex* index = getIndex(static_cast<std::uint64_t>(catalogOfNumber(catalogNumber)));
    if (index != nullptr) found += index->findByNumber(catalogNumber, results, maximum);
  }
  if (name != nullptr && found < maximum) {
    CSkyDataIndex* index = getIndex(kNameIndexID);
    if (index != nullptr) found += index->findByName(name, flags, results, maximum - found);
  }
  return found;
}

void CSkyDataFile::scanRegion(CSkyDataRegion* region, RegionObjectTest test, void* context,
                              std::vector<CIndexEntry>& results, int maximum, int& found) {
  if (test == nullptr || test(region, nullptr, context)) {
    if (region->isLoaded()) {
      found += region->findObjects(test, context, false, results, maximum - found);
    } else {
      // A region loaded only for the scan is unloaded again afterwards.
      loadRegionObjects(region);
      if (region->isLoaded()) {
        found += region->findObjects(test, context, false, results, maximum - found);
        region->deleteObjects();
      }
    }
  }
  for (int k = 0; k < 8 && found < maximum; ++k) {
    if (CSkyDataRegion* child = region->getChild(k)) {
      scanRegion(child, test, context, results, maximum, found);
    }
  }
}

int CSkyDataFile::scanRegions(CSkyDataRegion* region, RegionObjectTest test, void* context,
                              std::vector<CIndexEntry>& results, int maximum) {
  if (region == nullptr) region = root_.get();
  int found = 0;
  if (region != nullptr && maximum > 0) scanRegion(region, test, context, results, maximum, found);
  return found;
}

std::int64_t CSkyDataFile::loadAllRegions(CSkyDataRegion* region) {
  std::int64_t total = loadRegionObjects(region);
  if (total < 0) return -1;
  for (int k = 0; k < 8; ++k) {
    if (CSkyDataRegion* child = region->getChild(k)) {
      const std::int64_t read = loadAllRegions(child);
      if (read < 0) return -1;
      total += read;
    }
  }
  return total;
}

std::int64_t CSkyDataFile::reopen(const char* path) {
  if (path != nullptr) {
    close();
    open(path);
  }
  const std::int64_t header = readHeader();
  if (header <= 0) return -1;
  if (loadAllRegions(root_.get()) < 0) return -1;
  if (readIndexes(true) < 0) return -1;
  const off_t end = ftello(file_);
  return end < 0 ? -1 : end - baseOffset_;
}
