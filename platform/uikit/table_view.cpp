#include "platform/uikit/table_view.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace ui {
namespace {

constexpr double kAccessoryWidth = 34;
constexpr double kEditingInset = 38;
constexpr double kIndexWidth = 16;
constexpr double kSeparatorInset = 15;

// A chevron, a check mark or the information sign, drawn in a colour.
void drawChevron(cg::Context& c, Point centre, const Color& color) {
  c.setStrokeColor(color.cg());
  c.setLineWidth(2);
  c.moveToPoint(centre.x - 3, centre.y - 6);
  c.addLineToPoint(centre.x + 3, centre.y);
  c.addLineToPoint(centre.x - 3, centre.y + 6);
  c.strokePath();
}

void drawCheckmark(cg::Context& c, Point centre, const Color& color) {
  c.setStrokeColor(color.cg());
  c.setLineWidth(2.5);
  c.moveToPoint(centre.x - 7, centre.y);
  c.addLineToPoint(centre.x - 2, centre.y + 5);
  c.addLineToPoint(centre.x + 7, centre.y - 6);
  c.strokePath();
}

// The round "i" button of a detail accessory.
class DetailButton : public Button {
 public:
  DetailButton() : Button(Rect{0, 0, 22, 22}, ButtonType::system) {}
  std::string className() const override { return "UIButton"; }
  void drawRect(cg::Context& c, const Rect& r) override {
    Color tint = isHighlighted() ? tintColor().withAlpha(0.3) : tintColor();
    c.setStrokeColor(tint.cg());
    c.setLineWidth(1.5);
    c.strokeEllipseInRect(r.insetBy(1.5, 1.5));
    c.setFillColor(tint.cg());
    c.fillRect({r.midX() - 1, r.midY() - 2, 2, 8});
    c.fillEllipseInRect({r.midX() - 1.25, r.midY() - 6.5, 2.5, 2.5});
  }
};

}  // namespace

// The strip of section index titles at the table's right edge.
class TableIndexView : public View {
 public:
  explicit TableIndexView(TableView* table) : table_(table) {}
  std::string className() const override { return "UITableViewIndex"; }
  void drawRect(cg::Context& context, const Rect& rect) override {
    const auto& titles = table_->indexTitles();
    if (titles.empty()) return;
    auto font = Font::boldSystemFont(11);
    const double h = titleHeight(), top = rect.midY() - h * double(titles.size()) / 2;
    for (std::size_t i = 0; i < titles.size(); ++i)
      drawTextLine(context, titles[i], Rect{rect.x(), top + h * double(i), rect.width(), h}, *font,
                   table_->sectionIndexColor.value_or(tintColor()), cg::TextAlignment::center);
  }
  double titleHeight() const {
    const auto& titles = table_->indexTitles();
    return titles.empty() ? 0 : std::min(16.0, (bounds().height() - 8) / double(titles.size()));
  }
  void touchesBegan(const TouchSet& t, const Event&) override { follow(t); }
  void touchesMoved(const TouchSet& t, const Event&) override { follow(t); }
  void touchesEnded(const TouchSet&, const Event&) override {}
  void touchesCancelled(const TouchSet&, const Event&) override {}

 private:
  void follow(const TouchSet& touches) {
    if (touches.empty()) return;
    table_->touchIndex(touches.front()->locationInView(this).y);
  }
  TableView* table_;
};

// ---- cell ----------------------------------------------------------------------

TableViewCell::TableViewCell(TableViewCellStyle style, std::string reuseIdentifier)
    : View(Rect{0, 0, 320, 44}), style_(style), reuseIdentifier_(std::move(reuseIdentifier)) {
  setBackgroundColor(Color::whiteColor());
  contentView_ = std::make_shared<View>();
  addSubview(contentView_);
  textLabel_ = std::make_shared<Label>();
  textLabel_->setFont(Font::systemFont(17));
  contentView_->addSubview(textLabel_);
  if (style != TableViewCellStyle::defaultStyle) {
    detailTextLabel_ = std::make_shared<Label>();
    const bool subtitle = style == TableViewCellStyle::subtitle;
    detailTextLabel_->setFont(Font::systemFont(subtitle ? 12 : (style == TableViewCellStyle::value2 ? 15 : 17)));
    detailTextLabel_->setTextColor(style == TableViewCellStyle::value2 ? Color::systemBlue() : Color::gray());
    if (style == TableViewCellStyle::value1) detailTextLabel_->setTextAlignment(TextAlignment::right);
    if (style == TableViewCellStyle::value2) {
      detailTextLabel_->setTextAlignment(TextAlignment::right);
      std::swap(textLabel_, detailTextLabel_);  // value2: the blue label first
      textLabel_->setFont(Font::systemFont(15));
      textLabel_->setTextColor(Color::systemBlue());
      detailTextLabel_->setFont(Font::systemFont(15));
      detailTextLabel_->setTextColor(Color::black());
      detailTextLabel_->setTextAlignment(TextAlignment::natural);
    }
    contentView_->addSubview(detailTextLabel_);
  }
}

ImageView& TableViewCell::imageView() {
  if (!imageView_) {
    imageView_ = std::make_shared<ImageView>();
    imageView_->setContentMode(ContentMode::center);
    contentView_->addSubview(imageView_);
    setNeedsLayout();
  }
  return *imageView_;
}

void TableViewCell::setAccessoryType(TableViewCellAccessory type) {
  accessoryType_ = type;
  if (accessoryControl_) accessoryControl_->removeFromSuperview(), accessoryControl_.reset();
  if (type == TableViewCellAccessory::detailDisclosureButton || type == TableViewCellAccessory::detailButton) {
    auto button = std::make_shared<DetailButton>();
    button->addAction([this](Control&) {
      if (table_) table_->accessoryTapped(*this);
    }, kControlEventTouchUpInside);
    accessoryControl_ = button;
    addSubview(button);
  }
  setNeedsLayout();
}

void TableViewCell::setAccessoryView(std::shared_ptr<View> view) {
  if (accessoryView_) accessoryView_->removeFromSuperview();
  accessoryView_ = std::move(view);
  if (accessoryView_) addSubview(accessoryView_);
  setNeedsLayout();
}

void TableViewCell::setSelectedBackgroundView(std::shared_ptr<View> view) {
  if (selectedBackgroundView_) selectedBackgroundView_->removeFromSuperview();
  selectedBackgroundView_ = std::move(view);
  setSelected(selected_, false);
}

void TableViewCell::setBackgroundView(std::shared_ptr<View> view) {
  if (backgroundView_) backgroundView_->removeFromSuperview();
  backgroundView_ = std::move(view);
  if (backgroundView_) insertSubview(backgroundView_, 0);
  setNeedsLayout();
}

void TableViewCell::setSelected(bool selected, bool animated) {
  selected_ = selected;
  const bool shown = (selected_ || highlighted_) && selectionStyle != TableViewCellSelectionStyle::none;
  std::shared_ptr<View> background = selectedBackgroundView_ ? selectedBackgroundView_ : defaultSelectedBackground_;
  if (!background && shown) {
    if (!defaultSelectedBackground_) {
      defaultSelectedBackground_ = std::make_shared<View>();
      defaultSelectedBackground_->setBackgroundColor(Color::white(0.85));
    }
    background = defaultSelectedBackground_;
  }
  if (background) {
    if (shown) {
      background->setFrame(bounds());
      background->setAlpha(1);
      insertSubview(background, backgroundView_ ? 1 : 0);
    } else if (background->superview() == this) {
      if (animated) {
        std::weak_ptr<Object> cell = weak_from_this();
        View::animate(0.3, [background] { background->setAlpha(0); }, [background, cell](bool) {
          auto self = std::static_pointer_cast<TableViewCell>(cell.lock());
          if (!self || (!self->selected_ && !self->highlighted_)) background->removeFromSuperview();
          background->setAlpha(1);
        });
      } else {
        background->removeFromSuperview();
      }
    }
  }
  textLabel_->setHighlighted(shown);
  if (detailTextLabel_) detailTextLabel_->setHighlighted(shown);
  setNeedsDisplay();
}

void TableViewCell::setHighlighted(bool highlighted, bool animated) {
  highlighted_ = highlighted;
  setSelected(selected_, animated);
}

void TableViewCell::setEditing(bool editing, bool) {
  editing_ = editing;
  if (editing && !deleteControl_) {
    deleteControl_ = std::make_shared<Button>(Rect{0, 0, 30, 30}, ButtonType::custom);
    deleteControl_->setTitle("\u2212");
    deleteControl_->layer().cornerRadius = 11;
    deleteControl_->setBackgroundColor(Color::rgba(1, 0.23, 0.19));
    deleteControl_->addAction([this](Control&) { showDeleteConfirmation(!deleteButton_); },
                              kControlEventTouchUpInside);
    addSubview(deleteControl_);
  } else if (!editing) {
    if (deleteControl_) deleteControl_->removeFromSuperview(), deleteControl_.reset();
    showDeleteConfirmation(false);
  }
  setNeedsLayout();
}

void TableViewCell::showDeleteConfirmation(bool shown) {
  if (!shown) {
    if (deleteButton_) deleteButton_->removeFromSuperview(), deleteButton_.reset();
    setNeedsLayout();
    return;
  }
  if (deleteButton_) return;
  deleteButton_ = std::make_shared<Button>(ButtonType::custom);
  deleteButton_->setTitle("Delete");
  deleteButton_->setBackgroundColor(Color::rgba(1, 0.23, 0.19));
  deleteButton_->addAction([this](Control&) {
    if (table_) table_->commitDelete(*this);
  }, kControlEventTouchUpInside);
  addSubview(deleteButton_);
  setNeedsLayout();
}

void TableViewCell::layoutSubviews() {
  const Rect b = bounds();
  double right = b.width();
  if (deleteButton_) {
    deleteButton_->setFrame({b.width() - 82, 0, 82, b.height()});
    right -= 82;
  } else if (accessoryView_) {
    Rect f = accessoryView_->frame();
    accessoryView_->setFrame({b.width() - 15 - f.width(), (b.height() - f.height()) / 2, f.width(), f.height()});
    right = b.width() - 15 - f.width() - 8;
  } else if (accessoryType_ != TableViewCellAccessory::none) {
    right -= kAccessoryWidth;
    if (accessoryControl_) {
      const double extra = accessoryType_ == TableViewCellAccessory::detailDisclosureButton ? 22 : 0;
      right -= extra;
      accessoryControl_->setFrame({b.width() - 15 - 22 - extra, (b.height() - 22) / 2, 22, 22});
    }
  }
  const double left = editing_ ? kEditingInset : 0;
  if (deleteControl_) deleteControl_->setFrame({8, (b.height() - 22) / 2, 22, 22});
  contentView_->setFrame({left, 0, std::max(0.0, right - left), b.height()});
  if (backgroundView_) backgroundView_->setFrame(b);
  if (selectedBackgroundView_ && selectedBackgroundView_->superview() == this) selectedBackgroundView_->setFrame(b);
  if (defaultSelectedBackground_ && defaultSelectedBackground_->superview() == this) defaultSelectedBackground_->setFrame(b);

  const Rect c = contentView_->bounds();
  double x = kSeparatorInset;
  if (imageView_ && imageView_->image()) {
    Size s = imageView_->image()->size();
    imageView_->setFrame({x, (c.height() - s.height) / 2, s.width, s.height});
    x += s.width + 15;
  }
  const double width = std::max(0.0, c.width() - x - 15);
  switch (style_) {
    case TableViewCellStyle::defaultStyle:
      textLabel_->setFrame({x, 0, width, c.height()});
      break;
    case TableViewCellStyle::value1: {
      Size d = detailTextLabel_->sizeThatFits({0, 0});
      d.width = std::min(d.width, width / 2);
      detailTextLabel_->setFrame({x + width - d.width, 0, d.width, c.height()});
      textLabel_->setFrame({x, 0, width - d.width - 8, c.height()});
      break;
    }
    case TableViewCellStyle::value2:
      textLabel_->setFrame({x, 0, width * 0.3, c.height()});
      detailTextLabel_->setFrame({x + width * 0.3 + 6, 0, width * 0.7 - 6, c.height()});
      break;
    case TableViewCellStyle::subtitle: {
      const double t = textLabel_->font()->lineHeight(), d = detailTextLabel_->font()->lineHeight();
      const double top = (c.height() - t - d) / 2;
      textLabel_->setFrame({x, top, width, t});
      detailTextLabel_->setFrame({x, top + t, width, d});
      break;
    }
  }
}

void TableViewCell::drawRect(cg::Context& context, const Rect& rect) {
  const Color tint = tintColor();
  const Point accessory{rect.maxX() - 15 - 6, rect.midY()};
  switch (accessoryType_) {
    case TableViewCellAccessory::disclosureIndicator:
    case TableViewCellAccessory::detailDisclosureButton:
      if (!accessoryView_ && !deleteButton_) drawChevron(context, accessory, Color::white(0.7));
      break;
    case TableViewCellAccessory::checkmark:
      if (!accessoryView_ && !deleteButton_) drawCheckmark(context, {accessory.x - 4, accessory.y}, tint);
      break;
    default: break;
  }
  if (table_ && table_->separatorsShown) {
    context.setFillColor(table_->separatorColor.value_or(Color::white(0.78)).cg());
    context.fillRect({rect.x() + kSeparatorInset, rect.maxY() - 0.5, rect.width() - kSeparatorInset, 0.5});
  }
}

// ---- table ---------------------------------------------------------------------

TableView::TableView(TableViewStyle style) : TableView(Rect{0, 0, 320, 480}, style) {}

TableView::TableView(const Rect& frame, TableViewStyle style) : ScrollView(frame), style_(style) {
  sectionHeaderHeight = style == TableViewStyle::plain ? 28 : 38;
  sectionFooterHeight = style == TableViewStyle::plain ? 28 : 38;
  setBackgroundColor(style == TableViewStyle::plain ? Color::whiteColor() : Color::rgba(0.94, 0.94, 0.96));
  index_ = std::make_shared<TableIndexView>(this);
  index_->setHidden(true);
  addSubview(index_);
}

bool TableView::setValue(std::string_view key, const std::any& value) {
  if (auto* d = std::any_cast<double>(&value)) {
    if (key == "rowHeight") return rowHeight = *d, true;
    if (key == "sectionHeaderHeight") return sectionHeaderHeight = *d, true;
    if (key == "sectionFooterHeight") return sectionFooterHeight = *d, true;
  }
  if (auto* c = std::any_cast<Color>(&value); c && key == "separatorColor") return separatorColor = *c, true;
  if (key == "dataSource" || key == "delegate") {
    auto* object = std::any_cast<Object*>(&value);
    if (!object) return false;
    if (key == "dataSource") dataSource = dynamic_cast<TableViewDataSource*>(*object);
    else delegate = dynamic_cast<TableViewDelegate*>(*object), scrollDelegate = delegate;
    return true;
  }
  return ScrollView::setValue(key, value);
}

void TableView::setBackgroundView(std::shared_ptr<View> view) {
  if (backgroundView_) backgroundView_->removeFromSuperview();
  backgroundView_ = std::move(view);
  if (backgroundView_) insertSubview(backgroundView_, 0);
  setNeedsLayout();
}

void TableView::setTableHeaderView(std::shared_ptr<View> view) {
  if (headerView_) headerView_->removeFromSuperview();
  headerView_ = std::move(view);
  if (headerView_) addSubview(headerView_);
  if (loaded_) computeLayout();
}

void TableView::setTableFooterView(std::shared_ptr<View> view) {
  if (footerView_) footerView_->removeFromSuperview();
  footerView_ = std::move(view);
  if (footerView_) addSubview(footerView_);
  if (loaded_) computeLayout();
}

double TableView::headerHeightFor(int section, const std::string& title) {
  if (delegate) {
    double h = delegate->heightForHeader(*this, section);
    if (h >= 0 && std::isfinite(h)) return h;
  }
  if (!title.empty()) return sectionHeaderHeight;
  return style_ == TableViewStyle::grouped ? 18 : 0;
}

void TableView::computeLayout() {
  sections_.clear();
  indexTitles_.clear();
  double y = headerView_ ? headerView_->frame().height() : 0;
  if (headerView_) headerView_->setFrame({0, 0, bounds().width(), y});
  const int count = dataSource ? std::clamp(dataSource->numberOfSections(*this), 0, 100000) : 0;
  sections_.resize(static_cast<std::size_t>(count));
  for (int s = 0; s < count; ++s) {
    Section& section = sections_[std::size_t(s)];
    section.title = dataSource->titleForHeader(*this, s);
    section.footer = dataSource->titleForFooter(*this, s);
    section.top = y;
    section.headerHeight = headerHeightFor(s, section.title);
    if (delegate && delegate->viewForHeader(*this, s) && section.headerHeight == 0)
      section.headerHeight = sectionHeaderHeight;
    y += section.headerHeight;
    const int rows = std::clamp(dataSource->numberOfRows(*this, s), 0, 1000000);
    section.rowTops.resize(std::size_t(rows));
    section.rowHeights.resize(std::size_t(rows));
    for (int r = 0; r < rows; ++r) {
      double h = delegate ? delegate->heightForRow(*this, {s, r}) : -1;
      if (!(h >= 0 && std::isfinite(h))) h = rowHeight;
      section.rowTops[std::size_t(r)] = y;
      section.rowHeights[std::size_t(r)] = h;
      y += h;
    }
    double footer = delegate ? delegate->heightForFooter(*this, s) : -1;
    if (!(footer >= 0 && std::isfinite(footer)))
      footer = !section.footer.empty() ? sectionFooterHeight : (style_ == TableViewStyle::grouped ? 18 : 0);
    section.footerHeight = footer;
    y += footer;
  }
  if (footerView_) {
    footerView_->setFrame({0, y, bounds().width(), footerView_->frame().height()});
    y += footerView_->frame().height();
  }
  if (dataSource) indexTitles_ = dataSource->sectionIndexTitles(*this);
  index_->setHidden(indexTitles_.empty());
  setContentSize({bounds().width(), y});
  setNeedsLayout();
  setNeedsDisplay();
}

void TableView::reloadData() {
  loaded_ = true;
  reloading_ = true;
  for (auto& [path, cell] : std::map(visible_)) recycle(path);
  for (auto& [section, header] : headers_) header->removeFromSuperview();
  headers_.clear();
  for (auto& [section, footer] : footers_)
    if (footer) footer->removeFromSuperview();
  footers_.clear();
  computeLayout();
  if (selected_ && !isValid(*selected_)) selected_.reset();
  // Keep the offset within the new content.
  Point offset = contentOffset(), low = minimumOffset(), high = maximumOffset();
  Point clamped{std::clamp(offset.x, low.x, high.x), std::clamp(offset.y, low.y, high.y)};
  if (clamped != offset) setContentOffset(clamped);
  reloading_ = false;
  layoutSubviews();
}

int TableView::numberOfRows(int section) const {
  return section >= 0 && section < int(sections_.size()) ? int(sections_[std::size_t(section)].rowTops.size()) : 0;
}

bool TableView::isValid(IndexPath p) const { return p.row >= 0 && p.row < numberOfRows(p.section); }

Rect TableView::rectForRow(IndexPath p) const {
  if (!isValid(p)) return {};
  const Section& s = sections_[std::size_t(p.section)];
  // Rows leave room for the index strip when there is one.
  const double width = bounds().width() - (indexTitles_.empty() ? 0 : kIndexWidth + 2);
  return {0, s.rowTops[std::size_t(p.row)], width, s.rowHeights[std::size_t(p.row)]};
}

Rect TableView::rectForHeader(int section) const {
  if (section < 0 || section >= int(sections_.size())) return {};
  const Section& s = sections_[std::size_t(section)];
  return {0, s.top, bounds().width(), s.headerHeight};
}

Rect TableView::rectForFooter(int section) const {
  if (section < 0 || section >= int(sections_.size())) return {};
  const Section& s = sections_[std::size_t(section)];
  const Rect whole = rectForSection(section);
  return {0, whole.maxY() - s.footerHeight, bounds().width(), s.footerHeight};
}

void TableView::layoutFooters() {
  for (int s = 0; s < int(sections_.size()); ++s) {
    if (sections_[std::size_t(s)].footerHeight <= 0) continue;
    auto it = footers_.find(s);
    if (it == footers_.end()) it = footers_.emplace(s, delegate ? delegate->viewForFooter(*this, s) : nullptr).first;
    View* footer = it->second.get();
    if (!footer) continue;
    footer->setFrame(rectForFooter(s));
    if (footer->superview() != this) addSubview(it->second);
  }
}

Rect TableView::rectForSection(int section) const {
  if (section < 0 || section >= int(sections_.size())) return {};
  const Section& s = sections_[std::size_t(section)];
  double bottom = s.top + s.headerHeight + s.footerHeight;
  if (!s.rowTops.empty()) bottom = s.rowTops.back() + s.rowHeights.back() + s.footerHeight;
  return {0, s.top, bounds().width(), bottom - s.top};
}

std::optional<IndexPath> TableView::indexPathForRowAtPoint(Point p) const {
  for (int s = 0; s < int(sections_.size()); ++s) {
    const Section& section = sections_[std::size_t(s)];
    if (section.rowTops.empty() || p.y < section.rowTops.front()) continue;
    auto it = std::upper_bound(section.rowTops.begin(), section.rowTops.end(), p.y);
    const int r = int(it - section.rowTops.begin()) - 1;
    if (r >= 0 && p.y < section.rowTops[std::size_t(r)] + section.rowHeights[std::size_t(r)]) return IndexPath{s, r};
  }
  return std::nullopt;
}

std::optional<IndexPath> TableView::indexPathForCell(const TableViewCell* cell) const {
  for (auto& [path, c] : visible_)
    if (c.get() == cell) return path;
  return std::nullopt;
}

TableViewCell* TableView::cellForRow(IndexPath p) const {
  auto it = visible_.find(p);
  return it == visible_.end() ? nullptr : it->second.get();
}

std::vector<TableViewCell*> TableView::visibleCells() const {
  std::vector<TableViewCell*> cells;
  for (auto& [path, cell] : visible_) cells.push_back(cell.get());
  return cells;
}

std::shared_ptr<TableViewCell> TableView::dequeueReusableCell(const std::string& identifier) {
  auto it = reuse_.find(identifier);
  if (it == reuse_.end() || it->second.empty()) return nullptr;
  auto cell = it->second.back();
  it->second.pop_back();
  cell->prepareForReuse();
  return cell;
}

void TableView::recycle(const IndexPath& path) {
  auto it = visible_.find(path);
  if (it == visible_.end()) return;
  auto cell = it->second;
  visible_.erase(it);
  cell->removeFromSuperview();
  cell->setSelected(false, false);
  cell->setHighlighted(false, false);
  cell->showDeleteConfirmation(false);
  if (!cell->reuseIdentifier().empty()) {
    auto& queue = reuse_[cell->reuseIdentifier()];
    if (queue.size() < 64) queue.push_back(cell);
  }
}

std::shared_ptr<TableViewCell> TableView::obtainCell(IndexPath path) {
  if (!dataSource) return nullptr;
  auto cell = dataSource->cellForRow(*this, path);
  if (!cell) return nullptr;
  cell->table_ = this;
  cell->indexPath_ = path;
  cell->setFrame(rectForRow(path));
  cell->setEditing(editing_, false);
  cell->setSelected(selected_ == path, false);
  insertSubview(cell, backgroundView_ ? 1 : 0);
  if (delegate) delegate->willDisplayCell(*this, *cell, path);
  return cell;
}

std::shared_ptr<View> TableView::makeHeader(int section) {
  if (delegate)
    if (auto view = delegate->viewForHeader(*this, section)) return view;
  const std::string& title = sections_[std::size_t(section)].title;
  if (title.empty()) return nullptr;
  auto header = std::make_shared<TableViewHeaderFooterView>();
  header->backgroundView().setBackgroundColor(sectionHeaderBackgroundColor.value_or(
      style_ == TableViewStyle::plain ? Color::white(0.97) : Color::clear()));
  Label& label = header->textLabel();
  if (style_ == TableViewStyle::plain) {
    label.setFont(Font::boldSystemFont(17));
    label.setText(title);
  } else {
    label.setFont(Font::systemFont(13));
    std::string upper = title;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    label.setText(upper);
  }
  label.setTextColor(sectionHeaderTextColor.value_or(style_ == TableViewStyle::plain ? Color::black() : Color::gray()));
  return header;
}

void TableView::layoutSubviews() {
  if (!loaded_ && dataSource) {
    reloadData();
    return;
  }
  if (reloading_) return;
  const Rect b = bounds();
  // Rows in view get cells; the others give theirs back.
  std::vector<IndexPath> wanted;
  for (int s = 0; s < int(sections_.size()); ++s) {
    const Section& section = sections_[std::size_t(s)];
    if (section.rowTops.empty()) continue;
    const double bottom = section.rowTops.back() + section.rowHeights.back();
    if (bottom <= b.y() || section.rowTops.front() >= b.maxY()) continue;
    auto first = std::upper_bound(section.rowTops.begin(), section.rowTops.end(), b.y());
    int r = std::max(0, int(first - section.rowTops.begin()) - 1);
    for (; r < int(section.rowTops.size()) && section.rowTops[std::size_t(r)] < b.maxY(); ++r) wanted.push_back({s, r});
  }
  for (auto& [path, cell] : std::map(visible_))
    if (std::find(wanted.begin(), wanted.end(), path) == wanted.end()) recycle(path);
  for (const IndexPath& path : wanted) {
    auto it = visible_.find(path);
    if (it == visible_.end()) {
      if (auto cell = obtainCell(path)) visible_[path] = cell;
    } else {
      it->second->setFrame(rectForRow(path));
    }
  }
  // Section headers: in a plain table they stay at the top while their
  // section passes under it.
  std::map<int, std::shared_ptr<View>> kept;
  for (int s = 0; s < int(sections_.size()); ++s) {
    const Section& section = sections_[std::size_t(s)];
    Rect whole = rectForSection(s);
    if (section.headerHeight <= 0 || whole.maxY() <= b.y() || whole.y() >= b.maxY()) continue;
    auto it = headers_.find(s);
    std::shared_ptr<View> header = it != headers_.end() ? it->second : makeHeader(s);
    if (!header) continue;
    double y = section.top;
    if (style_ == TableViewStyle::plain)
      y = std::clamp(b.y() + contentInset.top, section.top, whole.maxY() - section.footerHeight - section.headerHeight);
    header->setFrame({0, y, b.width(), section.headerHeight});
    if (header->superview() != this) {
      if (delegate) delegate->willDisplayHeaderView(*this, *header, s);
      addSubview(header);
    } else {
      bringSubviewToFront(header.get());
    }
    kept[s] = header;
  }
  for (auto& [s, header] : headers_)
    if (!kept.count(s)) header->removeFromSuperview();
  headers_ = std::move(kept);
  layoutFooters();
  if (backgroundView_) backgroundView_->setFrame(b);
  index_->setFrame({b.maxX() - kIndexWidth - 2, b.y(), kIndexWidth, b.height()});
  bringSubviewToFront(index_.get());
}

void TableView::drawRect(cg::Context&, const Rect&) {}

// ---- section title views ------------------------------------------------------

TableViewHeaderFooterView::TableViewHeaderFooterView()
    : backgroundView_(std::make_shared<View>()), textLabel_(std::make_shared<Label>()) {
  addSubview(backgroundView_);
  addSubview(textLabel_);
}

void TableViewHeaderFooterView::layoutSubviews() {
  const Rect b = bounds();
  backgroundView_->setFrame(b);
  textLabel_->setFrame({kSeparatorInset, 0, std::max(0.0, b.width() - 2 * kSeparatorInset), b.height()});
}

Rect TableView::indexRect() const { return index_->frame(); }

void TableView::touchIndex(double y) {
  if (indexTitles_.empty() || !dataSource) return;
  auto* strip = static_cast<TableIndexView*>(index_.get());
  const double h = strip->titleHeight();
  const double top = strip->bounds().height() / 2 - h * double(indexTitles_.size()) / 2;
  const int i = std::clamp(int(std::floor((y - top) / h)), 0, int(indexTitles_.size()) - 1);
  const int section = dataSource->sectionForSectionIndexTitle(*this, indexTitles_[std::size_t(i)], i);
  if (section < 0 || section >= int(sections_.size())) return;
  Point offset{contentOffset().x, std::clamp(sections_[std::size_t(section)].top, minimumOffset().y, maximumOffset().y)};
  setContentOffset(offset, false);
}

void TableView::selectRow(std::optional<IndexPath> path, bool animated, TableViewScrollPosition position) {
  if (selected_ && (!path || *path != *selected_))
    if (auto* old = cellForRow(*selected_)) old->setSelected(false, animated);
  selected_ = path && isValid(*path) ? path : std::nullopt;
  if (!selected_) return;
  if (auto* cell = cellForRow(*selected_)) cell->setSelected(true, animated);
  if (position != TableViewScrollPosition::none) scrollToRow(*selected_, position, animated);
}

void TableView::deselectRow(IndexPath path, bool animated) {
  if (selected_ == path) selected_.reset();
  if (auto* cell = cellForRow(path)) cell->setSelected(false, animated);
}

void TableView::scrollToRow(IndexPath path, TableViewScrollPosition position, bool animated) {
  if (!isValid(path)) {
    std::fprintf(stderr, "scrollToRow: no row %d in section %d; ignored\n", path.row, path.section);
    return;
  }
  Rect row = rectForRow(path);
  const double header = style_ == TableViewStyle::plain ? sections_[std::size_t(path.section)].headerHeight : 0;
  const Rect b = bounds();
  double y = contentOffset().y;
  switch (position) {
    case TableViewScrollPosition::top: y = row.y() - header; break;
    case TableViewScrollPosition::middle: y = row.midY() - b.height() / 2; break;
    case TableViewScrollPosition::bottom: y = row.maxY() - b.height(); break;
    case TableViewScrollPosition::none:
      if (row.y() - header < b.y()) y = row.y() - header;
      else if (row.maxY() > b.maxY()) y = row.maxY() - b.height();
      break;
  }
  y = std::clamp(y, minimumOffset().y, maximumOffset().y);
  setContentOffset({contentOffset().x, y}, animated);
}

void TableView::validateAfterUpdate(const std::vector<int>& expected, const char* what) {
  const int sectionsNow = dataSource ? dataSource->numberOfSections(*this) : 0;
  bool agree = sectionsNow == int(expected.size());
  for (int s = 0; agree && s < sectionsNow; ++s) agree = dataSource->numberOfRows(*this, s) == expected[std::size_t(s)];
  if (!agree) {
    std::fprintf(stderr, "Invalid table update (%s): the data source's row counts disagree; reloading\n", what);
    reloadData();
    return;
  }
  computeLayout();
  if (selected_ && !isValid(*selected_)) selected_.reset();
  layoutSubviews();
}

void TableView::deleteRows(const std::vector<IndexPath>& rows, TableViewRowAnimation animation) {
  std::vector<int> expected;
  for (int s = 0; s < numberOfSections(); ++s) expected.push_back(numberOfRows(s));
  std::vector<IndexPath> sorted;
  for (const IndexPath& p : rows)
    if (isValid(p) && std::find(sorted.begin(), sorted.end(), p) == sorted.end()) sorted.push_back(p);
  for (const IndexPath& p : sorted) --expected[std::size_t(p.section)];
  if (sorted.size() != rows.size()) {
    std::fprintf(stderr, "Invalid table update (delete): rows that do not exist; reloading\n");
    reloadData();
    return;
  }
  // The deleted cells leave the table's bookkeeping now and fade out.
  std::map<IndexPath, std::shared_ptr<TableViewCell>> shifted;
  for (auto& [path, cell] : visible_) {
    if (std::find(sorted.begin(), sorted.end(), path) != sorted.end()) {
      if (animation == TableViewRowAnimation::none) {
        cell->removeFromSuperview();
      } else {
        auto fading = cell;
        View::animate(0.3, [fading] { fading->setAlpha(0); }, [fading](bool) {
          fading->removeFromSuperview();
          fading->setAlpha(1);
        });
      }
      continue;
    }
    int removedBefore = 0;
    for (const IndexPath& d : sorted)
      if (d.section == path.section && d.row < path.row) ++removedBefore;
    IndexPath moved{path.section, path.row - removedBefore};
    cell->indexPath_ = moved;
    shifted[moved] = cell;
  }
  visible_ = std::move(shifted);
  if (selected_) {
    if (std::find(sorted.begin(), sorted.end(), *selected_) != sorted.end()) selected_.reset();
  }
  validateAfterUpdate(expected, "delete");
}

void TableView::insertRows(const std::vector<IndexPath>& rows, TableViewRowAnimation) {
  std::vector<int> expected;
  for (int s = 0; s < numberOfSections(); ++s) expected.push_back(numberOfRows(s));
  for (const IndexPath& p : rows)
    if (p.section >= 0 && p.section < int(expected.size())) ++expected[std::size_t(p.section)];
  for (auto& [path, cell] : std::map(visible_)) recycle(path);
  validateAfterUpdate(expected, "insert");
}

void TableView::setEditing(bool editing, bool animated) {
  editing_ = editing;
  for (auto& [path, cell] : visible_) {
    const bool editable = !dataSource || dataSource->canEditRow(*this, path);
    cell->setEditing(editing && editable, animated);
  }
}

void TableView::accessoryTapped(TableViewCell& cell) {
  if (auto path = indexPathForCell(&cell); path && delegate) delegate->accessoryButtonTapped(*this, *path);
}

void TableView::commitDelete(TableViewCell& cell) {
  auto path = indexPathForCell(&cell);
  if (!path || !dataSource) return;
  cell.showDeleteConfirmation(false);
  dataSource->commitEditingStyle(*this, TableViewCellEditingStyle::deleteStyle, *path);
}

void TableView::touchesBegan(const TouchSet& touches, const Event&) {
  if (touches.empty() || !allowsSelection || (editing_ && !allowsSelectionDuringEditing)) return;
  highlighted_ = indexPathForRowAtPoint(touches.front()->locationInView(this));
  if (highlighted_)
    if (auto* cell = cellForRow(*highlighted_)) cell->setHighlighted(true, false);
}

void TableView::touchesEnded(const TouchSet& touches, const Event&) {
  if (!highlighted_ || touches.empty()) return;
  IndexPath path = *highlighted_;
  highlighted_.reset();
  if (auto* cell = cellForRow(path)) cell->setHighlighted(false, false);
  if (indexPathForRowAtPoint(touches.front()->locationInView(this)) != path) return;
  if (delegate && !delegate->willSelectRow(*this, path)) return;
  selectRow(path, false, TableViewScrollPosition::none);
  if (delegate) delegate->didSelectRow(*this, path);
}

void TableView::touchesCancelled(const TouchSet&, const Event&) {
  if (!highlighted_) return;
  if (auto* cell = cellForRow(*highlighted_)) cell->setHighlighted(false, false);
  highlighted_.reset();
}

}  // namespace ui
