#include "tools/catalogues/catalogue_tree.h"

#include <algorithm>
#include <cmath>

#include "skydata/sky_data_format.h"
#include "skydata/skydata_writer.h"

namespace catalogues {
namespace {

struct Box {
  float minimum[3];
  float maximum[3];
};

class TreeBuilder {
 public:
  TreeBuilder(std::vector<CatalogueEntry>& entries, const TreeShape& shape, SkyDataWriter& writer)
      : entries_(entries), shape_(shape), writer_(writer) {}

  // Keeps the first `capacity` entries of `members` (by order) in region
  // `id` and hands the others to the children.
  bool place(std::uint32_t id, const Box& box, std::vector<std::size_t> members, int depth) {
    if (members.empty()) return true;
    writer_.setRegionBox(id, box.minimum, box.maximum);
    std::stable_sort(members.begin(), members.end(), [&](std::size_t a, std::size_t b) {
      return entries_[a].order < entries_[b].order;
    });
    std::size_t kept = members.size();
    if (depth < shape_.maxDepth && members.size() > static_cast<std::size_t>(shape_.capacity))
      kept = static_cast<std::size_t>(shape_.capacity);
    if (!keep(id, members.begin(), members.begin() + static_cast<std::ptrdiff_t>(kept)))
      return false;
    std::vector<std::size_t> children[8];
    for (std::size_t i = kept; i < members.size(); ++i)
      children[childOf(box, entries_[members[i]].place)].push_back(members[i]);
    for (int k = 0; k < 8; ++k) {
      if (children[k].empty()) continue;
      std::uint32_t child = childRegionID(id, k);
      if (child == kNoRegionID) return fail("region tree too deep");
      if (!place(child, childBox(box, k), std::move(children[k]), depth + 1)) return false;
    }
    return true;
  }

  bool keep(std::uint32_t id, std::vector<std::size_t>::const_iterator first,
            std::vector<std::size_t>::const_iterator last) {
    if (last - first > 0xFFFF) return fail("more than 65535 objects in one region");
    for (auto it = first; it != last; ++it) {
      CatalogueEntry& entry = entries_[*it];
      int index = writer_.addObject(id, *entry.object, entry.rangeMagnitude);
      if (index < 0) return fail("the writer refused object \"" + entry.object->getNameString() + "\"");
      for (const std::string& name : entry.names)
        writer_.addNameEntry(name, id, static_cast<std::uint16_t>(index));
      for (std::int64_t number : entry.numbers)
        writer_.addNumberEntry(number, id, static_cast<std::uint16_t>(index));
      ++written_;
    }
    return true;
  }

  static int childOf(const Box& box, const double place[3]) {
    int k = 0;
    for (int axis = 0; axis < 3; ++axis) {
      float low = box.minimum[axis], high = box.maximum[axis];
      if (low < high && place[axis] >= (low + high) / 2.0f) k |= 1 << axis;
    }
    return k;
  }

  // The same halving the writer applies; flat axes stay flat.
  static Box childBox(const Box& box, int k) {
    Box child = box;
    for (int axis = 0; axis < 3; ++axis) {
      float middle = (box.minimum[axis] + box.maximum[axis]) / 2.0f;
      if ((k >> axis) & 1)
        child.minimum[axis] = middle;
      else
        child.maximum[axis] = middle;
    }
    return child;
  }

  bool fail(const std::string& what) {
    error_ = what;
    return false;
  }

  int written() const { return written_; }
  const std::string& error() const { return error_; }

 private:
  std::vector<CatalogueEntry>& entries_;
  TreeShape shape_;
  SkyDataWriter& writer_;
  int written_ = 0;
  std::string error_;
};

// The cube face (0 +x, 1 -x, 2 +y, 3 -y, 4 +z, 5 -z) a direction leaves
// the cube through, and the direction moved onto that face.
int cubeFace(double place[3]) {
  int axis = 0;
  for (int a = 1; a < 3; ++a)
    if (std::fabs(place[a]) > std::fabs(place[axis])) axis = a;
  double scale = std::fabs(place[axis]);
  for (int a = 0; a < 3; ++a) place[a] /= scale;
  return 2 * axis + (place[axis] < 0.0 ? 1 : 0);
}

Box faceBox(int face) {
  Box box{{-1.0f, -1.0f, -1.0f}, {1.0f, 1.0f, 1.0f}};
  int axis = face / 2;
  float side = (face % 2) ? -1.0f : 1.0f;
  box.minimum[axis] = box.maximum[axis] = side;
  return box;
}

}  // namespace

int writeSkyTree(std::vector<CatalogueEntry>& entries, const TreeShape& shape,
                 SkyDataWriter& writer, std::string& error) {
  TreeBuilder builder(entries, shape, writer);
  std::vector<std::size_t> faces[6];
  for (std::size_t i = 0; i < entries.size(); ++i) {
    double length = std::hypot(entries[i].place[0], entries[i].place[1], entries[i].place[2]);
    if (!(length > 0.0) || !std::isfinite(length)) {
      error = "object \"" + entries[i].object->getNameString() + "\" has no direction";
      return -1;
    }
    faces[cubeFace(entries[i].place)].push_back(i);
  }
  writer.addRegion(0);
  for (int face = 0; face < 6; ++face) {
    if (!builder.place(childRegionID(0, face), faceBox(face), std::move(faces[face]), 1)) {
      error = builder.error();
      return -1;
    }
  }
  return builder.written();
}

int writeSpaceTree(std::vector<CatalogueEntry>& entries, const TreeShape& shape,
                   SkyDataWriter& writer, std::string& error) {
  TreeBuilder builder(entries, shape, writer);
  double extent = 1.0;
  std::vector<std::size_t> root, below;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    for (double coordinate : entries[i].place) {
      if (!std::isfinite(coordinate)) {
        error = "object \"" + entries[i].object->getNameString() + "\" has no position";
        return -1;
      }
      extent = std::max(extent, std::fabs(coordinate));
    }
    (entries[i].inRoot ? root : below).push_back(i);
  }
  // A power of two keeps the halved boxes exact in floats.
  float half = std::exp2(std::ceil(std::log2(extent * 1.001)));
  Box box{{-half, -half, -half}, {half, half, half}};
  writer.setRootBox(box.minimum, box.maximum);
  writer.addRegion(0);
  if (!builder.keep(0, root.begin(), root.end())) {
    error = builder.error();
    return -1;
  }
  std::vector<std::size_t> children[8];
  for (std::size_t i : below) children[TreeBuilder::childOf(box, entries[i].place)].push_back(i);
  for (int k = 0; k < 8; ++k) {
    if (!builder.place(childRegionID(0, k), TreeBuilder::childBox(box, k), std::move(children[k]), 1)) {
      error = builder.error();
      return -1;
    }
  }
  return builder.written();
}

int writeRootOnly(std::vector<CatalogueEntry>& entries, SkyDataWriter& writer, std::string& error) {
  TreeBuilder builder(entries, TreeShape{}, writer);
  std::vector<std::size_t> all(entries.size());
  for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
  writer.addRegion(0);
  if (!builder.keep(0, all.begin(), all.end())) {
    error = builder.error();
    return -1;
  }
  return builder.written();
}

}  // namespace catalogues
