// Information items as the tests read them: copied out of a builder's
// array (which is freed), with lookups by label.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

struct SkyObjectInfoString;
class CSkyChart;

namespace info_test {

struct Row {
  bool header;
  std::string label;  // empty for a header
  std::string value;
  double jd;
  bool operator==(const Row&) const = default;
};
void PrintTo(const Row& row, std::ostream* out);

// Copies of items someone else keeps (a screen's, say).
std::vector<Row> rowsOf(const SkyObjectInfoString* items, int count);
// What getObjectInfo gives now for the chart's selected object, its place
// brought up to date first (as the information screen builds its items).
std::vector<Row> selectedObjectRows(CSkyChart& chart, int multiline, int visiblePassesOnly);

// The unsigned decimal numbers in a text, in order ("12° 34' 56.7\"" gives
// 12, 34, 56.7); signs are not read.
std::vector<double> numbersIn(const std::string& text);

class Rows {
 public:
  // Runs the builder on an array of `capacity` items guarded by marked
  // slots on both sides, checks it wrote exactly the count it returned
  // within the capacity, and keeps copies of the items.
  Rows(const std::function<int(SkyObjectInfoString*, int)>& build, int capacity = 255);

  int size() const { return static_cast<int>(rows_.size()); }
  const Row& operator[](int i) const { return rows_[static_cast<std::size_t>(i)]; }
  const std::vector<Row>& all() const { return rows_; }
  // The value of the first row with that label (after the header of that
  // title, when given); "<none>" when absent.
  std::string value(const std::string& label, const std::string& after = "") const;
  bool has(const std::string& label) const { return value(label) != "<none>"; }
  const Row* find(const std::string& label, const std::string& after = "") const;
  // The section titles in order.
  std::vector<std::string> headers() const;
  // Labels (headers as "#title"), for failure messages.
  std::string dump() const;

 private:
  std::vector<Row> rows_;
};

}  // namespace info_test
