#include "ui/info/object_info_cell.h"

#include <cmath>

#include "platform/coregraphics/text.h"
#include "platform/uikit/font.h"
#include "ui/foundation/shell.h"

namespace {

std::shared_ptr<ui::Label> makeColumn(int tag, ui::TextAlignment alignment,
                                      const ui::Color& color) {
  auto label = std::make_shared<ui::Label>();
  label->setTag(tag);
  label->setTextAlignment(alignment);
  label->setLineBreakMode(ui::LineBreakMode::wordWrap);
  label->setNumberOfLines(0);
  label->setFont(ObjectInfoTableViewCell::font());
  label->setTextColor(color);
  label->setBackgroundColor(ui::Color::clear());
  return label;
}

}  // namespace

ObjectInfoTableViewCell::ObjectInfoTableViewCell(std::string reuseIdentifier)
    : SVTableViewCell(ui::TableViewCellStyle::value1, std::move(reuseIdentifier)),
      label_(makeColumn(kLabelTag, ui::TextAlignment::right, SVTableViewCell::detailTextColor())),
      value_(makeColumn(kValueTag, ui::TextAlignment::left, SVTableViewCell::textColor())) {
  contentView().addSubview(label_);
  contentView().addSubview(value_);
  setBackgroundColor(backgroundColor());
}

ui::FontPointer ObjectInfoTableViewCell::font() { return ui::Font::systemFont(fontSize()); }

ui::Color ObjectInfoTableViewCell::backgroundColor() {
  return AppDelegate::isNightVision() ? ui::Color::black() : SVTableViewCell::backgroundColor();
}

double ObjectInfoTableViewCell::textHeight(const std::string& text, double width) {
  cg::TextLayoutOptions options;
  options.maxWidth = std::max(width, 1.0);
  options.maxHeight = kMeasureHeight;
  return std::ceil(cg::textSize(text, font()->cgFont(), options).height);
}

void ObjectInfoTableViewCell::setLabelText(const std::string& text) { label_->setText(text); }
void ObjectInfoTableViewCell::setMainText(const std::string& text) { value_->setText(text); }

void ObjectInfoTableViewCell::layoutSubviews() {
  SVTableViewCell::layoutSubviews();
  const ui::Rect bounds = this->bounds();
  double contentWidth = bounds.width();
  if (std::shared_ptr<ui::View> accessory = accessoryView()) {
    ui::Rect frame = accessory->frame();
    frame.origin.x = bounds.width() - frame.width() - 2;
    accessory->setFrame(frame);
    contentWidth = frame.origin.x;
  }
  ui::Rect content = contentView().frame();
  content.size.width = contentWidth - content.origin.x;
  contentView().setFrame(content);
  label_->setFrame({kLabelX, kTopMargin, kLabelWidth, textHeight(label_->text(), kLabelWidth)});
  const double valueWidth = std::max(content.width() - kValueMargin, 0.0);
  value_->setFrame({kValueX, kTopMargin, valueWidth, textHeight(value_->text(), valueWidth)});
}
