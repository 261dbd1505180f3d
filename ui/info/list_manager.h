// ListMgr: the satellite lists of the search screens. It names the lists
// and their sections, maps list titles to satellite category codes, builds
// a list on demand (tonight's visible satellites, or a category by next
// pass or by name) and owns the one shared array of object identifiers
// that list, search and voice results are written into.
//
// Thread rules: main thread only. Every build overwrites the shared arrays,
// so a caller uses a result before the next build.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct SkyObjectID;

class ListMgr {
 public:
  ListMgr() = delete;

  // The section's title; "" outside 0-6.
  static std::string getTitleForSection(int section);
  // The list titles of a section; none (nullopt) outside 0-5 (section 6
  // has no lists).
  static std::optional<std::vector<std::string>> getTitlesOfListsForSection(int section);
  // The satellite category code of a list title; -1 for any other title
  // (also "Tonight's Satellites").
  static int getSatelliteType(const std::string& title);
  // The 25 category codes of the sections' lists, in section order.
  static std::span<const int> getAllSatTypes();
  static int getNumSatTypes();

  // The shared identifier array and its capacity (30000), allocated once
  // for the life of the process.
  static SkyObjectID* getSkyObjectIDs();
  static int getMaxSkyObjectIDs();

  // Builds the list of that title for the current chart screen and returns
  // how many objects it holds. `ids` receives the shared array; `times`
  // the shared array of the minutes each satellite was first seen
  // (Julian dates, UT) for lists ordered by time, else null; `indexed` is
  // true for lists in name order; `showCommonName` is always true. Any
  // output may be null. Without an application database or chart screen
  // the list is empty.
  static std::int64_t getList(const std::string& title, SkyObjectID** ids, double** times,
                              bool* indexed, bool* showCommonName);
};
