// Tables: sections of rows in a scroll view, with section titles, headers
// and footers, an index of section titles, reusable cells in four styles
// with accessories, selection, scrolling to a row, fading deletion and
// editing.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/uikit/controls.h"
#include "platform/uikit/scroll_view.h"

namespace ui {

struct IndexPath {
  int section = 0, row = 0;
  bool operator==(const IndexPath&) const = default;
  auto operator<=>(const IndexPath&) const = default;
};

enum class TableViewStyle { plain = 0, grouped = 1 };
enum class TableViewCellStyle { defaultStyle = 0, value1 = 1, value2 = 2, subtitle = 3 };
enum class TableViewCellAccessory { none = 0, disclosureIndicator = 1, detailDisclosureButton = 2, checkmark = 3, detailButton = 4 };
enum class TableViewCellSelectionStyle { none = 0, blue = 1, gray = 2, defaultStyle = 3 };
enum class TableViewCellEditingStyle { none = 0, deleteStyle = 1, insert = 2 };
enum class TableViewScrollPosition { none, top, middle, bottom };
enum class TableViewRowAnimation { fade, right, left, top, bottom, none, middle, automatic };

class TableView;

class TableViewCell : public View {
 public:
  explicit TableViewCell(TableViewCellStyle style = TableViewCellStyle::defaultStyle,
                         std::string reuseIdentifier = {});
  std::string className() const override { return "UITableViewCell"; }
  TableViewCellStyle style() const { return style_; }
  const std::string& reuseIdentifier() const { return reuseIdentifier_; }
  View& contentView() { return *contentView_; }
  Label& textLabel() { return *textLabel_; }
  Label* detailTextLabel() { return detailTextLabel_.get(); }
  ImageView& imageView();
  TableViewCellAccessory accessoryType() const { return accessoryType_; }
  void setAccessoryType(TableViewCellAccessory type);
  std::shared_ptr<View> accessoryView() const { return accessoryView_; }
  void setAccessoryView(std::shared_ptr<View> view);
  TableViewCellSelectionStyle selectionStyle = TableViewCellSelectionStyle::defaultStyle;
  std::shared_ptr<View> selectedBackgroundView() const { return selectedBackgroundView_; }
  void setSelectedBackgroundView(std::shared_ptr<View> view);
  std::shared_ptr<View> backgroundView() const { return backgroundView_; }
  void setBackgroundView(std::shared_ptr<View> view);
  bool isSelected() const { return selected_; }
  virtual void setSelected(bool selected, bool animated);
  bool isHighlighted() const { return highlighted_; }
  virtual void setHighlighted(bool highlighted, bool animated);
  bool isEditing() const { return editing_; }
  virtual void setEditing(bool editing, bool animated);
  virtual void prepareForReuse() {}
  void layoutSubviews() override;
  void drawRect(cg::Context& context, const Rect& rect) override;

 private:
  friend class TableView;
  void showDeleteConfirmation(bool shown);
  TableViewCellStyle style_;
  std::string reuseIdentifier_;
  std::shared_ptr<View> contentView_;
  std::shared_ptr<Label> textLabel_, detailTextLabel_;
  std::shared_ptr<ImageView> imageView_;
  TableViewCellAccessory accessoryType_ = TableViewCellAccessory::none;
  std::shared_ptr<View> accessoryView_, accessoryControl_;
  std::shared_ptr<View> selectedBackgroundView_, backgroundView_, defaultSelectedBackground_;
  std::shared_ptr<Button> deleteButton_, deleteControl_;
  bool selected_ = false, highlighted_ = false, editing_ = false;
  TableView* table_ = nullptr;
  IndexPath indexPath_;
};

// The view a table makes for a section title: a label over a background
// view that fills it.
class TableViewHeaderFooterView : public View {
 public:
  TableViewHeaderFooterView();
  std::string className() const override { return "UITableViewHeaderFooterView"; }
  Label& textLabel() { return *textLabel_; }
  View& backgroundView() { return *backgroundView_; }
  void layoutSubviews() override;

 private:
  std::shared_ptr<View> backgroundView_;
  std::shared_ptr<Label> textLabel_;
};

class TableViewDataSource {
 public:
  virtual ~TableViewDataSource() = default;
  virtual int numberOfSections(TableView&) { return 1; }
  virtual int numberOfRows(TableView&, int section) = 0;
  virtual std::shared_ptr<TableViewCell> cellForRow(TableView&, IndexPath indexPath) = 0;
  virtual std::string titleForHeader(TableView&, int) { return {}; }
  virtual std::string titleForFooter(TableView&, int) { return {}; }
  virtual std::vector<std::string> sectionIndexTitles(TableView&) { return {}; }
  virtual int sectionForSectionIndexTitle(TableView&, const std::string&, int index) { return index; }
  virtual bool canEditRow(TableView&, IndexPath) { return true; }
  virtual void commitEditingStyle(TableView&, TableViewCellEditingStyle, IndexPath) {}
};

class TableViewDelegate : public ScrollViewDelegate {
 public:
  // Negative: the table's own height.
  virtual double heightForRow(TableView&, IndexPath) { return -1; }
  virtual double heightForHeader(TableView&, int) { return -1; }
  virtual double heightForFooter(TableView&, int) { return -1; }
  virtual std::shared_ptr<View> viewForHeader(TableView&, int) { return nullptr; }
  // Asked once per section until the next reload; the view is placed in
  // the section's footer rectangle.
  virtual std::shared_ptr<View> viewForFooter(TableView&, int) { return nullptr; }
  // Each time a section's header is put into the table.
  virtual void willDisplayHeaderView(TableView&, View& /*header*/, int /*section*/) {}
  virtual void willDisplayCell(TableView&, TableViewCell&, IndexPath) {}
  virtual bool willSelectRow(TableView&, IndexPath) { return true; }
  virtual void didSelectRow(TableView&, IndexPath) {}
  virtual void didDeselectRow(TableView&, IndexPath) {}
  virtual void accessoryButtonTapped(TableView&, IndexPath) {}
  virtual TableViewCellEditingStyle editingStyleForRow(TableView&, IndexPath) {
    return TableViewCellEditingStyle::deleteStyle;
  }
};

class TableView : public ScrollView {
 public:
  explicit TableView(TableViewStyle style = TableViewStyle::plain);
  TableView(const Rect& frame, TableViewStyle style);
  std::string className() const override { return "UITableView"; }
  bool setValue(std::string_view key, const std::any& value) override;
  TableViewStyle style() const { return style_; }
  TableViewDataSource* dataSource = nullptr;
  TableViewDelegate* delegate = nullptr;

  double rowHeight = 44;
  double sectionHeaderHeight;
  double sectionFooterHeight;
  std::optional<Color> separatorColor;
  bool separatorsShown = true;
  std::optional<Color> sectionIndexColor, sectionIndexBackgroundColor;
  std::optional<Color> sectionHeaderTextColor, sectionHeaderBackgroundColor;
  bool allowsSelection = true;
  bool allowsSelectionDuringEditing = false;
  void setBackgroundView(std::shared_ptr<View> view);
  std::shared_ptr<View> backgroundView() const { return backgroundView_; }
  void setTableHeaderView(std::shared_ptr<View> view);
  std::shared_ptr<View> tableHeaderView() const { return headerView_; }
  void setTableFooterView(std::shared_ptr<View> view);

  void reloadData();
  std::shared_ptr<TableViewCell> dequeueReusableCell(const std::string& identifier);
  int numberOfSections() const { return int(sections_.size()); }
  int numberOfRows(int section) const;
  TableViewCell* cellForRow(IndexPath indexPath) const;
  std::vector<TableViewCell*> visibleCells() const;
  std::optional<IndexPath> indexPathForRowAtPoint(Point point) const;
  std::optional<IndexPath> indexPathForCell(const TableViewCell* cell) const;
  Rect rectForRow(IndexPath indexPath) const;
  Rect rectForHeader(int section) const;
  Rect rectForFooter(int section) const;
  Rect rectForSection(int section) const;
  bool isValid(IndexPath indexPath) const;

  std::optional<IndexPath> indexPathForSelectedRow() const { return selected_; }
  void selectRow(std::optional<IndexPath> indexPath, bool animated, TableViewScrollPosition position);
  void deselectRow(IndexPath indexPath, bool animated);
  // A row that does not exist is ignored (the platform raises).
  void scrollToRow(IndexPath indexPath, TableViewScrollPosition position, bool animated);
  // Rows whose counts disagree with the data source afterwards make the
  // table reload (the platform raises), with a message.
  void deleteRows(const std::vector<IndexPath>& rows, TableViewRowAnimation animation);
  void insertRows(const std::vector<IndexPath>& rows, TableViewRowAnimation animation);
  bool isEditing() const { return editing_; }
  void setEditing(bool editing, bool animated);

  void layoutSubviews() override;
  void drawRect(cg::Context& context, const Rect& rect) override;
  void touchesBegan(const TouchSet& touches, const Event& event) override;
  void touchesEnded(const TouchSet& touches, const Event& event) override;
  void touchesCancelled(const TouchSet& touches, const Event& event) override;
  // The index strip's titles and where one is touched (tests, hosts).
  const std::vector<std::string>& indexTitles() const { return indexTitles_; }
  void touchIndex(double y);
  Rect indexRect() const;

  // For cells: their accessory button and their delete confirmation.
  void accessoryTapped(TableViewCell& cell);
  void commitDelete(TableViewCell& cell);

 private:
  struct Section {
    double top = 0, headerHeight = 0, footerHeight = 0;
    std::vector<double> rowTops, rowHeights;
    std::string title, footer;
  };
  void computeLayout();
  double headerHeightFor(int section, const std::string& title);
  std::shared_ptr<View> makeHeader(int section);
  void layoutFooters();
  std::shared_ptr<TableViewCell> obtainCell(IndexPath indexPath);
  void recycle(const IndexPath& indexPath);
  void validateAfterUpdate(const std::vector<int>& expected, const char* what);

  TableViewStyle style_;
  std::vector<Section> sections_;
  std::map<IndexPath, std::shared_ptr<TableViewCell>> visible_;
  std::map<std::string, std::vector<std::shared_ptr<TableViewCell>>> reuse_;
  std::map<int, std::shared_ptr<View>> headers_;
  // Footer views by section, as the delegate gave them (null: none).
  std::map<int, std::shared_ptr<View>> footers_;
  std::shared_ptr<View> backgroundView_, headerView_, footerView_;
  std::shared_ptr<class TableIndexView> index_;
  std::vector<std::string> indexTitles_;
  std::optional<IndexPath> selected_, highlighted_;
  bool editing_ = false;
  bool loaded_ = false;
  bool reloading_ = false;
};

}  // namespace ui
