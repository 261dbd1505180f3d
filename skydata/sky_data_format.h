// The layout constants of `.skydata` catalogue files, shared by the reader
// and the writer.
//
// A file: a 20-byte header; the region tree (47-byte region headers, depth
// first from the root, each followed by its present children); the object
// data (one contiguous block per region, at data start + block offset); the
// index section (a count, 16-byte index headers, then the entry blocks).
// Headers and region headers are little-endian, or all big-endian in a
// reversed file; record lengths and the index section are little-endian
// in every file.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::uint16_t kSkyDataVersion = 2560;
inline constexpr int kSkyDataFileHeaderSize = 20;
inline constexpr int kSkyDataRegionHeaderSize = 47;
inline constexpr int kSkyDataIndexHeaderSize = 16;
// A catalogue-number index entry: number, region id, object index.
inline constexpr int kSkyDataNumberEntrySize = 14;
// The fixed part of a name entry: zero number, name length, region id,
// object index.
inline constexpr int kSkyDataNameEntryOverhead = 18;
// Region ids: child k of region p is 8p + k + 1; this id names no region.
inline constexpr std::uint32_t kNoRegionID = 0xFFFFFFFFu;
// Index id of the name index; every other id is a catalogue code.
inline constexpr std::uint64_t kNameIndexID = 0;

// The id of child k (0-7) of region `parent`, or kNoRegionID when it does
// not fit in 32 bits (which bounds a tree's depth at 11 levels).
std::uint32_t childRegionID(std::uint32_t parent, int k);

// Reverses the bytes of each of `count` consecutive values of `size` bytes
// in place.
void swapByteOrder(void* buffer, std::size_t count, std::size_t size);
