#include "tests/ui/info/info_rows.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "chart/sky_chart.h"
#include "ui/info/info_items.h"
#include "ui/info/object_info.h"

namespace info_test {

namespace {
char kMark[] = "untouched";

Row rowOf(const SkyObjectInfoString& item) {
  return {item.pLabel == nullptr, item.pLabel != nullptr ? item.pLabel : "",
          item.pValue != nullptr ? item.pValue : "", item.jd};
}
}  // namespace

void PrintTo(const Row& row, std::ostream* out) {
  *out << (row.header ? "#" : row.label + "=") << row.value << " @" << row.jd;
}

std::vector<Row> rowsOf(const SkyObjectInfoString* items, int count) {
  std::vector<Row> rows;
  for (int i = 0; i < count; ++i) rows.push_back(rowOf(items[i]));
  return rows;
}

Rows::Rows(const std::function<int(SkyObjectInfoString*, int)>& build, int capacity) {
  std::vector<SkyObjectInfoString> slots(static_cast<std::size_t>(capacity) + 2,
                                         SkyObjectInfoString{kMark, kMark, 0});
  const int count = build(slots.data() + 1, capacity);
  EXPECT_GE(count, 0);
  EXPECT_LE(count, capacity);
  EXPECT_EQ(slots.front().pLabel, kMark) << "wrote before the array";
  EXPECT_EQ(slots.back().pLabel, kMark) << "wrote past the capacity";
  for (int i = 0; i < count; ++i) {
    const SkyObjectInfoString& item = slots[static_cast<std::size_t>(i) + 1];
    EXPECT_TRUE(item.pValue != nullptr && item.pValue != kMark) << "item " << i;
    if (item.pValue == nullptr || item.pValue == kMark) continue;
    rows_.push_back(rowOf(item));
  }
  if (count > 0) {
    EXPECT_NE(slots[static_cast<std::size_t>(count)].pLabel, kMark);
  }
  if (count < capacity) {
    EXPECT_EQ(slots[static_cast<std::size_t>(count) + 1].pLabel, kMark);
  }
  freeInfoItems(nullptr, slots.data() + 1, count);
}

std::vector<Row> selectedObjectRows(CSkyChart& chart, int multiline, int visiblePassesOnly) {
  chart.updateObjectPosition(chart.selectedObject);
  return Rows([&](SkyObjectInfoString* items, int capacity) {
           return getObjectInfo(&chart, chart.selectedObject, items, capacity, multiline,
                                visiblePassesOnly);
         }).all();
}

std::vector<double> numbersIn(const std::string& text) {
  std::vector<double> numbers;
  for (const char* c = text.c_str(); *c != '\0';) {
    if (*c >= '0' && *c <= '9') {
      char* end = nullptr;
      numbers.push_back(std::strtod(c, &end));
      c = end;
    } else {
      ++c;
    }
  }
  return numbers;
}

const Row* Rows::find(const std::string& label, const std::string& after) const {
  bool searching = after.empty();
  for (const Row& row : rows_) {
    if (row.header && row.value == after) searching = true;
    if (searching && !row.header && row.label == label) return &row;
  }
  return nullptr;
}

std::string Rows::value(const std::string& label, const std::string& after) const {
  const Row* row = find(label, after);
  return row != nullptr ? row->value : "<none>";
}

std::vector<std::string> Rows::headers() const {
  std::vector<std::string> titles;
  for (const Row& row : rows_)
    if (row.header) titles.push_back(row.value);
  return titles;
}

std::string Rows::dump() const {
  std::string text;
  for (const Row& row : rows_) text += (row.header ? "#" + row.value : row.label + "=" + row.value) + " | ";
  return text;
}

}  // namespace info_test
