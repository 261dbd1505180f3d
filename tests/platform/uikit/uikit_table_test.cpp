// Tables: layout against the rows' own arithmetic, reuse, the index,
// selection by touch, and the platform's raising cases made safe.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/uikit/table_view.h"
#include "uikit_support.h"

namespace {

constexpr int kSections = 30, kRows = 4;

class Source : public ui::TableViewDataSource, public ui::TableViewDelegate {
 public:
  std::vector<int> rows = std::vector<int>(kSections, kRows);
  int made = 0;
  std::vector<ui::IndexPath> selected, deleted;
  int numberOfSections(ui::TableView&) override { return int(rows.size()); }
  int numberOfRows(ui::TableView&, int s) override { return rows[std::size_t(s)]; }
  std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView& t, ui::IndexPath p) override {
    auto cell = t.dequeueReusableCell("cell");
    if (!cell) {
      cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::value1, "cell");
      ++made;
    }
    cell->textLabel().setText("Row " + std::to_string(p.section) + "." + std::to_string(p.row));
    return cell;
  }
  std::string titleForHeader(ui::TableView&, int s) override { return "Section " + std::to_string(s); }
  std::vector<std::string> sectionIndexTitles(ui::TableView&) override {
    std::vector<std::string> titles;
    for (int s = 0; s < kSections; ++s) titles.push_back(std::to_string(s));
    return titles;
  }
  void didSelectRow(ui::TableView&, ui::IndexPath p) override { selected.push_back(p); }
  void commitEditingStyle(ui::TableView& t, ui::TableViewCellEditingStyle, ui::IndexPath p) override {
    deleted.push_back(p);
    --rows[std::size_t(p.section)];
    t.deleteRows({p}, ui::TableViewRowAnimation::fade);
  }
};

struct TableWorld : uitest::World {
  Source source;
  std::shared_ptr<ui::Window> window = std::make_shared<ui::Window>();
  std::shared_ptr<ui::TableView> table =
      std::make_shared<ui::TableView>(ui::Rect{0, 0, 375, 667}, ui::TableViewStyle::plain);
  TableWorld() {
    table->dataSource = &source;
    table->delegate = &source;
    window->addSubview(table);
    window->makeKeyAndVisible();
    table->reloadData();
  }
  // Where a row lies, from the table's rules: each section a 28-point
  // header and rows of 44 points.
  static double rowTop(int s, int r) { return s * (28.0 + kRows * 44) + 28 + r * 44; }
};

TEST(UikitTable, RowsLieWhereTheirHeightsPutThemAndOnlyVisibleOnesHaveCells) {
  TableWorld w;
  EXPECT_EQ(w.table->contentSize().height, kSections * (28.0 + kRows * 44));
  for (int s : {0, 7, 29})
    for (int r : {0, 3}) EXPECT_EQ(w.table->rectForRow({s, r}).y(), TableWorld::rowTop(s, r));
  EXPECT_EQ(w.table->indexPathForRowAtPoint({10, TableWorld::rowTop(5, 2) + 1}), (ui::IndexPath{5, 2}));
  EXPECT_FALSE(w.table->indexPathForRowAtPoint({10, TableWorld::rowTop(5, 0) - 5}));  // a header
  // 667 points show the first three sections and a row of the fourth.
  EXPECT_EQ(w.table->visibleCells().size(), 13u);
  EXPECT_EQ(w.source.made, 13);
  // Scrolling a screenful reuses cells instead of making new ones.
  w.table->setContentOffset({0, 2000});
  w.table->layoutIfNeeded();
  EXPECT_LE(w.source.made, 15);
  ASSERT_NE(w.table->cellForRow({11, 0}), nullptr);
  EXPECT_EQ(w.table->cellForRow({11, 0})->textLabel().text(), "Row 11.0");
  EXPECT_EQ(w.table->cellForRow({0, 0}), nullptr);
}

TEST(UikitTable, TheIndexJumpsToItsSectionAndADragScrolls) {
  TableWorld w;
  ASSERT_EQ(w.table->indexTitles().size(), 30u);
  w.table->layoutIfNeeded();
  ui::Rect strip = w.table->indexRect();
  // The strip's titles are stacked about its middle: tap the one of section 20.
  const double h = std::min(16.0, (strip.height() - 8) / 30);
  const double y = strip.height() / 2 - h * 15 + h * 20 + h / 2;
  w.tap({strip.midX(), y});
  EXPECT_EQ(w.table->contentOffset().y, 20 * (28.0 + kRows * 44));
  // A slow drag moves the content by the finger's travel.
  w.touch(1, ui::TouchPhase::began, {100, 500});
  for (int i = 1; i <= 30; ++i) {
    w.run(1.0 / 30);
    w.touch(1, ui::TouchPhase::moved, {100, 500 - i * 10.0});
  }
  w.touch(1, ui::TouchPhase::ended, {100, 200});
  EXPECT_EQ(w.table->contentOffset().y, 20 * (28.0 + kRows * 44) + 300);
  EXPECT_TRUE(w.source.selected.empty());  // the drag selected nothing
  // The content stops at its end.
  w.table->setContentOffset({0, 0});
  w.table->scrollToRow({29, 3}, ui::TableViewScrollPosition::bottom, false);
  EXPECT_EQ(w.table->contentOffset().y, w.table->contentSize().height - 667);
}

TEST(UikitTable, ATapSelectsTheRowUnderIt) {
  TableWorld w;
  w.table->layoutIfNeeded();
  w.tap({100, TableWorld::rowTop(1, 1) + 20});
  ASSERT_EQ(w.source.selected.size(), 1u);
  EXPECT_EQ(w.source.selected[0], (ui::IndexPath{1, 1}));
  EXPECT_EQ(w.table->indexPathForSelectedRow(), (ui::IndexPath{1, 1}));
  EXPECT_TRUE(w.table->cellForRow({1, 1})->isSelected());
  w.table->deselectRow({1, 1}, true);
  EXPECT_FALSE(w.table->indexPathForSelectedRow());
}

TEST(UikitTable, ScrollingToAMissingRowIsIgnored) {
  TableWorld w;
  w.table->setContentOffset({0, 500});
  w.table->scrollToRow({40, 0}, ui::TableViewScrollPosition::top, true);
  w.table->scrollToRow({3, 9}, ui::TableViewScrollPosition::top, false);
  w.table->scrollToRow({-1, 0}, ui::TableViewScrollPosition::top, false);
  w.run(1);
  EXPECT_EQ(w.table->contentOffset().y, 500);
  w.table->scrollToRow({3, 2}, ui::TableViewScrollPosition::top, false);
  EXPECT_EQ(w.table->contentOffset().y, TableWorld::rowTop(3, 2) - 28);  // below the pinned header
}

TEST(UikitTable, DeletionFadesWhenTheCountsAgreeAndReloadsWhenTheyDoNot) {
  TableWorld w;
  w.table->layoutIfNeeded();
  auto* doomed = w.table->cellForRow({0, 1});
  ASSERT_NE(doomed, nullptr);
  auto keep = std::static_pointer_cast<ui::View>(doomed->shared_from_this());
  w.source.rows[0] = kRows - 1;
  w.table->deleteRows({{0, 1}}, ui::TableViewRowAnimation::fade);
  EXPECT_EQ(w.table->numberOfRows(0), kRows - 1);
  EXPECT_EQ(w.table->cellForRow({0, 1})->textLabel().text(), "Row 0.2");  // moved up
  EXPECT_EQ(keep->superview(), w.table.get());  // still fading
  w.run(0.15);
  EXPECT_LT(keep->presentationAlpha(), 0.9);
  w.run(0.3);
  EXPECT_EQ(keep->superview(), nullptr);

  // The data source did not remove the row: the platform raises; this
  // table says so and reloads from the data source.
  testing::internal::CaptureStderr();
  w.table->deleteRows({{2, 0}}, ui::TableViewRowAnimation::fade);
  std::string message = testing::internal::GetCapturedStderr();
  EXPECT_NE(message.find("row counts disagree"), std::string::npos);
  EXPECT_EQ(w.table->numberOfRows(2), kRows);
  testing::internal::CaptureStderr();
  w.table->deleteRows({{5, 17}}, ui::TableViewRowAnimation::fade);
  EXPECT_FALSE(testing::internal::GetCapturedStderr().empty());
}

TEST(UikitTable, EditingDeletesThroughTheConfirmationButton) {
  TableWorld w;
  w.table->layoutIfNeeded();
  w.table->setEditing(true, false);
  w.table->layoutIfNeeded();
  auto* cell = w.table->cellForRow({0, 0});
  ASSERT_TRUE(cell->isEditing());
  cell->layoutIfNeeded();
  // The minus sign, then the Delete button.
  const double y = TableWorld::rowTop(0, 0) + 22;
  w.tap({19, y});
  cell->layoutIfNeeded();
  w.tap({375 - 16 - 2 - 41, y});
  ASSERT_EQ(w.source.deleted.size(), 1u);
  EXPECT_EQ(w.source.deleted[0], (ui::IndexPath{0, 0}));
  EXPECT_EQ(w.table->numberOfRows(0), kRows - 1);
  EXPECT_TRUE(w.source.selected.empty());
}

// A grouped table with footer panels in sections 1 and 2 (2 gives none)
// that records the headers it is told about.
class Footers : public Source {
 public:
  Footers() { rows = {2, 0, 1}; }
  double heightForFooter(ui::TableView&, int s) override { return s == 0 ? 0.01 : 60; }
  std::shared_ptr<ui::View> viewForFooter(ui::TableView&, int s) override {
    ++asked;
    return s == 1 ? panel : nullptr;
  }
  void willDisplayHeaderView(ui::TableView&, ui::View& header, int s) override {
    auto* titled = dynamic_cast<ui::TableViewHeaderFooterView*>(&header);
    shown.push_back({s, titled ? titled->textLabel().text() : "?"});
    if (titled) titled->textLabel().setTextColor(ui::Color::rgba(1, 0, 0));
  }
  std::shared_ptr<ui::View> panel = std::make_shared<ui::View>(ui::Rect{0, 0, 10, 60});
  int asked = 0;
  std::vector<std::pair<int, std::string>> shown;
};

TEST(UikitTable, FooterViewsFillTheirSectionsFootersAndHeadersAreAnnouncedOnce) {
  uitest::World world;
  Footers source;
  auto window = std::make_shared<ui::Window>();
  auto table = std::make_shared<ui::TableView>(ui::Rect{0, 0, 375, 667}, ui::TableViewStyle::grouped);
  table->dataSource = &source;
  table->delegate = &source;
  window->addSubview(table);
  window->makeKeyAndVisible();
  table->reloadData();
  table->layoutIfNeeded();
  // Section 1 has no rows: its footer follows its header.
  const ui::Rect footer = table->rectForFooter(1);
  EXPECT_EQ(footer.y(), table->rectForHeader(1).maxY());
  EXPECT_EQ(footer.height(), 60);
  EXPECT_EQ(source.panel->frame(), footer);
  EXPECT_EQ(source.panel->superview(), table.get());
  EXPECT_EQ(source.asked, 3);  // once per section with a footer
  table->setNeedsLayout();
  table->layoutIfNeeded();
  EXPECT_EQ(source.asked, 3);
  // Each header was announced when it went in, with its label to recolour.
  ASSERT_EQ(source.shown.size(), 3u);
  EXPECT_EQ(source.shown[1], (std::pair<int, std::string>{1, "SECTION 1"}));
  int red = 0;
  for (const auto& v : table->subviews())
    if (auto* h = dynamic_cast<ui::TableViewHeaderFooterView*>(v.get()))
      red += h->textLabel().textColor() == ui::Color::rgba(1, 0, 0);
  EXPECT_EQ(red, 3);
  // A reload asks again and announces again.
  table->reloadData();
  table->layoutIfNeeded();
  EXPECT_EQ(source.asked, 6);
  EXPECT_EQ(source.shown.size(), 6u);
  EXPECT_EQ(source.panel->superview(), table.get());
}

}  // namespace
