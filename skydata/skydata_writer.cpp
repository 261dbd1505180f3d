#include "skydata/skydata_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>

#include "skydata/catalog_numbers.h"
#include "skydata/record_io.h"
#include "skydata/sky_data_format.h"
#include "skydata/sky_object.h"

namespace {

constexpr float kInfinity = std::numeric_limits<float>::infinity();
// The range written for a subtree without objects: empty, so that no
// magnitude filter takes the region for one holding objects.
constexpr float kEmptyBrightest = 32767.0f;
constexpr float kEmptyFaintest = -32768.0f;

void appendLittle(std::string& out, std::uint64_t value, int size) {
  for (int i = 0; i < size; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

SkyDataWriter::SkyDataWriter(int fixedRecordSize, bool otherByteOrder)
    : fixedRecordSize_(fixedRecordSize), otherByteOrder_(otherByteOrder) {
  const float minimum[3] = {-1.0f, -1.0f, -1.0f};
  const float maximum[3] = {1.0f, 1.0f, 1.0f};
  setRootBox(minimum, maximum);
}

void SkyDataWriter::setRootBox(const float minimum[3], const float maximum[3]) {
  setRegionBox(0, minimum, maximum);
}

SkyDataWriter::Region* SkyDataWriter::region(std::uint32_t id) {
  if (id == kNoRegionID) return nullptr;
  auto found = regions_.find(id);
  if (found != regions_.end()) return &found->second;
  Region created{{-1.0f, -1.0f, -1.0f}, {1.0f, 1.0f, 1.0f}, {}, kInfinity, -kInfinity};
  if (id != 0) {
    Region* parent = region((id - 1) / 8);
    const int k = static_cast<int>((id - 1) % 8);
    for (int axis = 0; axis < 3; ++axis) {
      const float low = parent->minimum[axis];
      const float high = parent->maximum[axis];
      const float middle = (low + high) / 2.0f;
      const bool upper = ((k >> axis) & 1) != 0;
      created.minimum[axis] = upper ? middle : low;
      created.maximum[axis] = upper ? high : middle;
    }
  }
  return &regions_.emplace(id, std::move(created)).first->second;
}

bool SkyDataWriter::setRegionBox(std::uint32_t id, const float minimum[3], const float maximum[3]) {
  Region* target = region(id);
  if (target == nullptr) return false;
  std::copy(minimum, minimum + 3, target->minimum);
  std::copy(maximum, maximum + 3, target->maximum);
  return true;
}

bool SkyDataWriter::addRegion(std::uint32_t id) { return region(id) != nullptr; }

int SkyDataWriter::addRecord(std::uint32_t id, const std::string& record, float magnitude) {
  const bool fits = fixedRecordSize_ > 0
                        ? record.size() == static_cast<std::size_t>(fixedRecordSize_)
                        : !record.empty() && record.size() <= 0xFFFF;
  Region* target = fits ? region(id) : nullptr;
  if (target == nullptr || target->records.size() >= 0xFFFF) return -1;
  target->records.push_back(record);
  if (std::isfinite(magnitude)) {
    target->brightest = std::min(target->brightest, magnitude);
    target->faintest = std::max(target->faintest, magnitude);
  }
  return static_cast<int>(target->records.size() - 1);
}

int SkyDataWriter::addObject(std::uint32_t id, const CSkyObject& object) {
  return addObject(id, object, object.getMagnitude());
}

int SkyDataWriter::addObject(std::uint32_t id, const CSkyObject& object, float magnitude) {
  std::string record(0xFFFF, '\0');
  const std::int64_t size =
      object.writeRecord(record.data(), static_cast<std::int64_t>(record.size()), otherByteOrder_);
  if (size <= 0) return -1;
  // A file of fixed-size records pads each record to that size; the
  // reader hands every object the whole slot and moves on by its size.
  if (fixedRecordSize_ > 0 && size > fixedRecordSize_) return -1;
  record.resize(static_cast<std::size_t>(fixedRecordSize_ > 0 ? fixedRecordSize_ : size));
  return addRecord(id, record, magnitude);
}

void SkyDataWriter::addNameEntry(const std::string& name, std::uint32_t region,
                                 std::uint16_t index) {
  indexes_[kNameIndexID].push_back({0, name, region, index});
}

void SkyDataWriter::addNumberEntry(std::int64_t catalogNumber, std::uint32_t region,
                                   std::uint16_t index) {
  if (catalogNumber == 0) return;
  const auto id = static_cast<std::uint64_t>(catalogOfNumber(catalogNumber));
  indexes_[id].push_back({catalogNumber, {}, region, index});
}

void SkyDataWriter::addIndex(std::uint64_t id) { indexes_[id]; }

void SkyDataWriter::setHeaderBytes(std::uint8_t first, std::uint8_t second,
                                   std::uint32_t lastWord) {
  headerBytes_[0] = first;
  headerBytes_[1] = second;
  lastWord_ = lastWord;
}

void SkyDataWriter::collectPreorder(std::uint32_t id, std::vector<std::uint32_t>& order) const {
  order.push_back(id);
  for (int k = 0; k < 8; ++k) {
    const std::uint32_t child = childRegionID(id, k);
    if (child != kNoRegionID && regions_.count(child) != 0) collectPreorder(child, order);
  }
}

void SkyDataWriter::subtreeRange(std::uint32_t id,
                                 std::map<std::uint32_t, std::pair<float, float>>& ranges) const {
  const Region& own = regions_.at(id);
  std::pair<float, float> range{own.brightest, own.faintest};
  for (int k = 0; k < 8; ++k) {
    const std::uint32_t child = childRegionID(id, k);
    if (child == kNoRegionID || regions_.count(child) == 0) continue;
    subtreeRange(child, ranges);
    range.first = std::min(range.first, ranges[child].first);
    range.second = std::max(range.second, ranges[child].second);
  }
  ranges[id] = range;
}

std::string SkyDataWriter::bytes() const {
  std::vector<std::uint32_t> order;
  if (regions_.count(0) != 0) collectPreorder(0, order);
  std::map<std::uint32_t, std::pair<float, float>> ranges;
  if (!order.empty()) subtreeRange(0, ranges);

  // Object data: each region's block in preorder.
  std::string data;
  std::map<std::uint32_t, std::pair<std::uint32_t, std::uint32_t>> blocks;  // offset, size
  std::uint64_t objectCount = 0;
  for (std::uint32_t id : order) {
    const std::size_t start = data.size();
    for (const std::string& record : regions_.at(id).records) {
      if (fixedRecordSize_ == 0) appendLittle(data, record.size(), 2);
      data += record;
    }
    objectCount += regions_.at(id).records.size();
    if (data.size() > 0x7FFFFFFF) return {};
    blocks[id] = {static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(data.size() - start)};
  }

  const std::size_t treeSize = order.size() * kSkyDataRegionHeaderSize;
  const std::uint64_t dataStart = kSkyDataFileHeaderSize + treeSize;
  if (dataStart > 0xFFFFFFFF || objectCount > 0xFFFFFFFF) return {};
  std::string out(dataStart, '\0');
  {
    RecordWriter header(out.data(), kSkyDataFileHeaderSize, otherByteOrder_);
    header.writeRecordU16(kSkyDataVersion);
    header.writeRecordU8(headerBytes_[0]);
    header.writeRecordU8(headerBytes_[1]);
    const std::int64_t sizeWord =
        fixedRecordSize_ > 0 ? -std::int64_t{fixedRecordSize_} : std::int64_t(data.size());
    header.writeRecordU32(static_cast<std::uint32_t>(sizeWord));
    header.writeRecordU32(static_cast<std::uint32_t>(dataStart));
    header.writeRecordU32(static_cast<std::uint32_t>(objectCount));
    header.writeRecordU32(lastWord_);
  }
  std::size_t position = kSkyDataFileHeaderSize;
  for (std::uint32_t id : order) {
    const Region& source = regions_.at(id);
    RecordWriter header(out.data() + position, kSkyDataRegionHeaderSize, otherByteOrder_);
    const auto& range = ranges[id];
    const bool empty = range.first > range.second;
    header.writeRecordU32(id);
    header.writeRecordFloat(empty ? kEmptyBrightest : range.first);
    header.writeRecordFloat(empty ? kEmptyFaintest : range.second);
    for (float value : source.minimum) header.writeRecordFloat(value);
    for (float value : source.maximum) header.writeRecordFloat(value);
    header.writeRecordU16(static_cast<std::uint16_t>(source.records.size()));
    header.writeRecordU32(blocks[id].second);
    header.writeRecordU32(blocks[id].first);
    std::uint8_t mask = 0;
    for (int k = 0; k < 8; ++k) {
      const std::uint32_t child = childRegionID(id, k);
      if (child != kNoRegionID && regions_.count(child) != 0) mask |= static_cast<std::uint8_t>(1u << k);
    }
    header.writeRecordU8(mask);
    position += kSkyDataRegionHeaderSize;
  }
  out += data;

  // Index section: the count, the headers, then the entry blocks in the
  // same order.
  std::string entryBlocks;
  std::string headers;
  for (const auto& [id, listed] : indexes_) {
    std::vector<Entry> entries = listed;
    if (id != kNameIndexID) {
      std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.catalogNumber < b.catalogNumber;
      });
    }
    appendLittle(headers, id, 8);
    appendLittle(headers, entries.size(), 4);
    appendLittle(headers, entryBlocks.size(), 4);
    for (const Entry& entry : entries) {
      appendLittle(entryBlocks, static_cast<std::uint64_t>(entry.catalogNumber), 8);
      if (entry.catalogNumber == 0) {
        appendLittle(entryBlocks, entry.name.size(), 4);
        entryBlocks += entry.name;
      }
      appendLittle(entryBlocks, entry.region, 4);
      appendLittle(entryBlocks, entry.index, 2);
    }
  }
  appendLittle(out, indexes_.size(), 4);
  out += headers;
  out += entryBlocks;
  if (out.size() > 0xFFFFFFFF) return {};
  return out;
}

bool SkyDataWriter::writeFile(const std::string& path) const {
  const std::string content = bytes();
  if (content.empty()) return false;
  const std::string temporary = path + ".tmp";
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
  if (std::fclose(file) != 0 || !written) {
    std::remove(temporary.c_str());
    return false;
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) std::remove(temporary.c_str());
  return !error;
}
