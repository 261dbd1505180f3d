#include "platform/metal/exec/vertex_stage.h"

#include <algorithm>
#include <cstring>

#include "platform/metal/buffer.h"
#include "platform/metal/exec/vertex_fetch.h"

namespace mtl::exec {
namespace {

bool isStrip(PrimitiveType type) {
  return type == PrimitiveType::TriangleStrip || type == PrimitiveType::LineStrip;
}

// Byte address of element `element` of an attribute, if it can be formed.
bool elementAddress(const AttributeFetch& a, std::uint64_t element, std::uint64_t bindingOffset,
                    std::uint64_t& at) {
  std::uint64_t address;
  return !__builtin_mul_overflow(element, std::uint64_t{a.stride}, &address) &&
         !__builtin_add_overflow(address, std::uint64_t{a.offset}, &address) &&
         !__builtin_add_overflow(address, bindingOffset, &at);
}

}  // namespace

std::uint32_t readIndex(const DrawCall& call, std::uint64_t k) {
  const Buffer* b = call.indexBuffer.get();
  if (!b) return 0;
  const unsigned size = call.indexType == IndexType::UInt16 ? 2 : 4;
  const unsigned __int128 at = static_cast<unsigned __int128>(k) * size + call.indexOffset;
  if (at + size > b->length()) return 0;
  const std::uint8_t* p = const_cast<Buffer*>(b)->gpuData() + static_cast<std::uint64_t>(at);
  if (size == 2) {
    std::uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
  }
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

bool prepareVertices(DrawContext& d, IndexScratch& scratch) {
  const DrawCall& call = *d.call;
  d.vertexIds.clear();
  d.remap.clear();
  if (!call.indexed) {
    d.recordsPerInstance = call.vertexCount;
  } else {
    const std::uint64_t count = call.vertexCount;
    if (count > kMaxRecordsPerDraw) return false;
    const std::uint32_t restart = call.indexType == IndexType::UInt16 ? 0xFFFFu : 0xFFFFFFFFu;
    const bool strips = isStrip(call.type);
    d.remap.resize(count);
    std::uint32_t largest = 0;
    for (std::uint64_t k = 0; k < count; ++k) {
      const std::uint32_t index = readIndex(call, k);
      d.remap[k] = index;
      if (!(strips && index == restart)) largest = std::max(largest, index);
    }
    auto assign = [&](std::uint32_t& slot, std::uint32_t index) {
      if (slot == kNoVertex) {
        slot = static_cast<std::uint32_t>(d.vertexIds.size());
        d.vertexIds.push_back(index);
      }
      return slot;
    };
    if (largest < 4 * count + 65536) {
      // Indices of a compact range: look them up directly.
      std::vector<std::uint32_t>& slots = scratch.slots;
      slots.assign(std::size_t{largest} + 1, kNoVertex);
      for (std::uint64_t k = 0; k < count; ++k) {
        const std::uint32_t index = d.remap[k];
        if (strips && index == restart) {
          d.remap[k] = kNoVertex;
          continue;
        }
        d.remap[k] = assign(slots[index], index);
      }
    } else {
      std::vector<std::uint64_t>& table = scratch.table;
      std::size_t capacity = 64;
      while (capacity < 2 * count) capacity *= 2;
      table.assign(capacity, 0);
      for (std::uint64_t k = 0; k < count; ++k) {
        const std::uint32_t index = d.remap[k];
        if (strips && index == restart) {
          d.remap[k] = kNoVertex;
          continue;
        }
        std::size_t h = (index * 0x9E3779B1u) & (capacity - 1);
        for (;;) {
          std::uint64_t& e = table[h];
          if (e == 0) {
            e = (std::uint64_t{index} << 32) | (d.vertexIds.size() + 1);
            d.remap[k] = static_cast<std::uint32_t>(d.vertexIds.size());
            d.vertexIds.push_back(index);
            break;
          }
          if ((e >> 32) == index) {
            d.remap[k] = static_cast<std::uint32_t>((e & 0xFFFFFFFFu) - 1);
            break;
          }
          h = (h + 1) & (capacity - 1);
        }
      }
    }
    d.recordsPerInstance = d.vertexIds.size();
    d.stripParity.clear();
    if (strips) {
      d.stripParity.resize(count);
      std::uint64_t start = 0;
      for (std::uint64_t k = 0; k < count; ++k) {
        if (d.remap[k] == kNoVertex) start = k + 1;
        d.stripParity[k] = static_cast<std::uint8_t>((k - start) & 1);
      }
    }
  }
  const unsigned __int128 records =
      static_cast<unsigned __int128>(d.recordsPerInstance) * d.call->instanceCount;
  if (records > kMaxRecordsPerDraw) return false;
  d.recordCount = static_cast<std::uint64_t>(records);
  return true;
}

bool shadeVertices(DrawContext& d, std::uint64_t first, std::uint64_t count, LaneMachine& m,
                   StageTextures& textures) {
  const PipelinePlan& plan = *d.resolved->plan;
  const DrawCall& call = *d.call;
  const std::uint32_t words = plan.recordWords();
  const StageBinding& stage = d.resolved->vertexStage;
  const auto position = plan.positionRegister();
  const auto pointSize = plan.pointSizeRegister();
  // The first record's instance and vertex by division, the others by
  // counting on.
  std::uint64_t nextInstance = first / d.recordsPerInstance, nextLocal = first % d.recordsPerInstance;
  for (std::uint64_t base = first; base < first + count; base += kLanes) {
    const unsigned lanes = static_cast<unsigned>(std::min<std::uint64_t>(kLanes, first + count - base));
    const LaneMask active = lanes == kLanes ? kAllLanes : (1u << lanes) - 1;
    std::uint64_t vertexId[kLanes] = {}, instance[kLanes] = {};
    for (unsigned l = 0; l < lanes; ++l) {
      instance[l] = nextInstance;
      vertexId[l] = call.indexed ? d.vertexIds[nextLocal] : call.vertexStart + nextLocal;
      if (++nextLocal == d.recordsPerInstance) {
        nextLocal = 0;
        ++nextInstance;
      }
    }
    m.reset();
    for (const AttributeFetch* fetch : d.resolved->fetches) {
      const AttributeFetch& a = *fetch;
      const LaneBuffer& b = stage.buffers[a.bufferIndex];
      std::uint64_t at[kLanes] = {};
      bool valid[kLanes] = {};
      if (a.step == VertexStepFunction::PerVertex) {
        for (unsigned l = 0; l < lanes; ++l) valid[l] = elementAddress(a, vertexId[l], 0, at[l]);
      } else {
        const bool perInstance = a.step == VertexStepFunction::PerInstance && a.stepRate > 0;
        for (unsigned l = 0; l < lanes; ++l) {
          valid[l] = elementAddress(a, perInstance ? instance[l] / a.stepRate : 0, 0, at[l]);
        }
      }
      std::uint32_t* const rows[4] = {m.row(a.reg, 0).v, m.row(a.reg, 1).v, m.row(a.reg, 2).v, m.row(a.reg, 3).v};
      fetchAttributes(a.format, b.data, b.length, at, valid, lanes, a.scalar, a.components, rows);
    }
    if (!m.run(active, stage.buffers.data(), stage.buffers.size(), &textures, false)) return false;
    // Word by word into the lanes' records: from a row, or a constant.
    std::uint32_t* const records = d.records + base * words;
    const auto scatter = [&](std::uint32_t word, const std::uint32_t* row, std::uint32_t constant) {
      std::uint32_t* to = records + word;
      for (unsigned l = 0; l < lanes; ++l) to[l * words] = row ? row[l] : constant;
    };
    for (unsigned c = 0; c < 4; ++c) scatter(kRecordPosition + c, position ? m.row(*position, c).v : nullptr, 0);
    scatter(kRecordPointSize, pointSize ? m.row(*pointSize, 0).v : nullptr, 0x3F800000u);  // 1.0f
    for (const VertexOutput& v : plan.varyings()) {
      for (unsigned c = 0; c < v.components; ++c) scatter(v.word + c, m.row(v.reg, c).v, 0);
    }
  }
  return true;
}

}  // namespace mtl::exec
