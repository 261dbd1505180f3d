#include "skydata/sky_data_region.h"

#include <cmath>
#include <limits>

#include "skydata/object_factory.h"
#include "skydata/record_io.h"
#include "skydata/sky_data_format.h"
#include "skydata/sky_object.h"

namespace {

// Smallest variable record: its 16-bit length and a type byte.
constexpr std::int64_t kSmallestVariableRecord = 3;

}  // namespace

CSkyDataRegion::CSkyDataRegion() {
  for (int axis = 0; axis < 3; ++axis) {
    minimum_[axis] = -std::numeric_limits<float>::infinity();
    maximum_[axis] = std::numeric_limits<float>::infinity();
  }
}

CSkyDataRegion::CSkyDataRegion(std::uint32_t id, float brightest, float faintest,
                               const float minimum[3], const float maximum[3])
    : id_(id), brightest_(brightest), faintest_(faintest) {
  for (int axis = 0; axis < 3; ++axis) {
    minimum_[axis] = minimum[axis];
    maximum_[axis] = maximum[axis];
  }
}

CSkyDataRegion::~CSkyDataRegion() = default;

std::int64_t CSkyDataRegion::readHeader(std::FILE* file, bool recurse, bool reverse,
                                        std::uint32_t expectedID) {
  unsigned char bytes[kSkyDataRegionHeaderSize];
  if (file == nullptr || std::fread(bytes, 1, sizeof bytes, file) != sizeof bytes) return -1;
  RecordReader reader(bytes, sizeof bytes, reverse);
  const std::uint32_t id = reader.readRecordU32();
  if (id != expectedID || id == kNoRegionID) return -1;
  id_ = id;
  brightest_ = reader.readRecordFloat();
  faintest_ = reader.readRecordFloat();
  for (float& value : minimum_) value = reader.readRecordFloat();
  for (float& value : maximum_) value = reader.readRecordFloat();
  objectCount_ = reader.readRecordU16();
  blockSize_ = reader.readRecordU32();
  blockOffset_ = reader.readRecordU32();
  const std::uint8_t childMask = reader.readRecordU8();
  std::int64_t total = kSkyDataRegionHeaderSize;
  if (!recurse) return total;
  for (int k = 0; k < 8; ++k) {
    if ((childMask & (1u << k)) == 0) continue;
    // Ids past 32 bits cannot be found again, which also bounds the depth
    // of the recursion a hostile file can ask for.
    const std::uint32_t childID = childRegionID(id_, k);
    if (childID == kNoRegionID) return -1;
    children_[k] = std::make_unique<CSkyDataRegion>();
    const std::int64_t read = children_[k]->readHeader(file, true, reverse, childID);
    if (read < 0) return -1;
    total += read;
  }
  return total;
}

bool CSkyDataRegion::readBlock(std::FILE* file, int recordSize,
                               std::vector<unsigned char>& block) const {
  const std::int64_t smallest = recordSize == kVariableRecords ? kSmallestVariableRecord : recordSize;
  if (file == nullptr || recordSize < 0 ||
      std::int64_t{objectCount_} * smallest > std::int64_t{blockSize_}) {
    return false;
  }
  block.resize(blockSize_);
  return std::fread(block.data(), 1, block.size(), file) == block.size();
}

std::int64_t CSkyDataRegion::buildObjects(const std::vector<unsigned char>& block, int recordSize,
                                          bool reverse, std::size_t keepFrom, std::size_t last,
                                          std::vector<std::unique_ptr<CSkyObject>>& objects) const {
  std::int64_t total = 0;
  std::size_t position = 0;
  for (std::size_t i = 0; i <= last; ++i) {
    const unsigned char* record = nullptr;
    std::size_t length = 0;
    int typeCode = 1;
    if (recordSize == kVariableRecords) {
      if (block.size() - position < 2) return -1;
      length = block[position] | (std::size_t{block[position + 1]} << 8);
      position += 2;
      if (length < 1 || length > block.size() - position) return -1;
      record = block.data() + position;
      typeCode = record[0];
    } else {
      length = static_cast<std::size_t>(recordSize);
      if (block.size() - position < length) return -1;
      record = block.data() + position;
    }
    position += length;
    std::unique_ptr<CSkyObject> object(createSkyObject(typeCode));
    if (!object) return -1;
    const std::int64_t read =
        object->readRecord(record, static_cast<std::int64_t>(length), reverse);
    if (read < 0) return -1;
    total += read;
    if (i >= keepFrom) objects.push_back(std::move(object));
  }
  return total;
}

std::int64_t CSkyDataRegion::readObjects(std::FILE* file, int recordSize, bool reverse) {
  std::vector<unsigned char> block;
  if (!readBlock(file, recordSize, block)) return -1;
  std::vector<std::unique_ptr<CSkyObject>> objects;
  objects.reserve(objectCount_);
  std::int64_t total = 0;
  if (objectCount_ > 0) {
    total = buildObjects(block, recordSize, reverse, 0, objectCount_ - 1u, objects);
    if (total < 0) return -1;
  }
  for (auto& object : objects) object->setOwnedByRegion(true);
  objects_ = std::move(objects);
  loaded_ = true;
  return total;
}

CSkyObject* CSkyDataRegion::readObjectAt(std::FILE* file, int recordSize, std::uint16_t index,
                                         bool reverse) {
  if (index >= objectCount_) return nullptr;
  std::vector<unsigned char> block;
  if (!readBlock(file, recordSize, block)) return nullptr;
  std::vector<std::unique_ptr<CSkyObject>> objects;
  if (buildObjects(block, recordSize, reverse, index, index, objects) < 0 || objects.empty()) {
    return nullptr;
  }
  return objects.front().release();
}

void CSkyDataRegion::deleteObjects() {
  objects_.clear();
  objects_.shrink_to_fit();
  loaded_ = false;
}

CSkyObject* CSkyDataRegion::getObject(std::size_t i) const {
  return i < objects_.size() ? objects_[i].get() : nullptr;
}

int CSkyDataRegion::findObjects(RegionObjectTest test, void* context, bool recurse,
                                std::vector<CIndexEntry>& results, int maximum) {
  int found = 0;
  for (std::size_t i = 0; i < objects_.size() && found < maximum; ++i) {
    if (test != nullptr && !test(nullptr, objects_[i].get(), context)) continue;
    CIndexEntry entry;
    entry.region = id_;
    entry.index = static_cast<std::uint16_t>(i);
    results.push_back(std::move(entry));
    ++found;
  }
  if (recurse) {
    for (auto& child : children_) {
      if (child && found < maximum) {
        found += child->findObjects(test, context, true, results, maximum - found);
      }
    }
  }
  return found;
}

void CSkyDataRegion::getCenter(double center[3]) const {
  for (int axis = 0; axis < 3; ++axis) {
    center[axis] = (double{minimum_[axis]} + double{maximum_[axis]}) / 2.0;
  }
}

void CSkyDataRegion::getCorner(int n, double corner[3]) const {
  // The two axes that span a flat box, in the order its corners go round.
  int flat = -1;
  for (int axis = 2; axis >= 0; --axis) {
    if (minimum_[axis] == maximum_[axis]) {
      flat = axis;
      break;
    }
  }
  if (flat < 0) {
    for (int axis = 0; axis < 3; ++axis) {
      corner[axis] = ((n >> axis) & 1) != 0 ? maximum_[axis] : minimum_[axis];
    }
    return;
  }
  const int u = flat == 0 ? 1 : 0;
  const int v = flat == 2 ? 1 : 2;
  static constexpr bool kUpperU[4] = {false, true, true, false};
  static constexpr bool kUpperV[4] = {false, false, true, true};
  const int k = ((n % 4) + 4) % 4;
  corner[flat] = minimum_[flat];
  corner[u] = kUpperU[k] ? maximum_[u] : minimum_[u];
  corner[v] = kUpperV[k] ? maximum_[v] : minimum_[v];
}

double CSkyDataRegion::getDiagonal() const {
  double sum = 0.0;
  for (int axis = 0; axis < 3; ++axis) {
    const double side = double{maximum_[axis]} - double{minimum_[axis]};
    sum += side * side;
  }
  return std::sqrt(sum);
}

bool CSkyDataRegion::contains(const double point[3]) const {
  for (int axis = 0; axis < 3; ++axis) {
    if (!(point[axis] >= minimum_[axis] && point[axis] <= maximum_[axis])) return false;
  }
  return true;
}

bool CSkyDataRegion::isFlat() const {
  for (int axis = 0; axis < 3; ++axis) {
    if (minimum_[axis] == maximum_[axis]) return true;
  }
  return false;
}
