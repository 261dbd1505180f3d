#include "ui/info/object_list_cell.h"

#include "platform/uikit/interface_loader.h"
#include "skydata/sky_object_model.h"
#include "ui/foundation/shell.h"
#include "ui/foundation/theme.h"
#include "ui/foundation/utility.h"
#include "ui/info/info_screen_classes.h"
#include "ui/info/object_status_line.h"

namespace {
constexpr std::size_t kStatusSize = 256;
constexpr double kDimmedName = 0.5, kDimmedLines = 0.7;
}  // namespace

ObjectListTableViewCell::ObjectListTableViewCell(std::string reuseIdentifier)
    : SVTableViewCell(SVTableViewCell::Decoded{}, ui::TableViewCellStyle::subtitle,
                      std::move(reuseIdentifier)) {
  setBackgroundColor(SVTableViewCell::backgroundColor());
}

bool ObjectListTableViewCell::setValue(std::string_view key, const std::any& value) {
  if (const auto* object = std::any_cast<std::shared_ptr<ui::Object>>(&value)) {
    if (key == "iconView")
      return (iconView_ = std::dynamic_pointer_cast<ui::ImageView>(*object)) != nullptr;
    if (key == "nameLabel")
      return (nameLabel_ = std::dynamic_pointer_cast<ui::Label>(*object)) != nullptr;
    if (key == "detailLabel")
      return (detailLabel_ = std::dynamic_pointer_cast<ui::Label>(*object)) != nullptr;
    if (key == "riseSetLabel")
      return (riseSetLabel_ = std::dynamic_pointer_cast<ui::Label>(*object)) != nullptr;
  }
  return SVTableViewCell::setValue(key, value);
}

std::shared_ptr<ObjectListTableViewCell> ObjectListTableViewCell::load(
    const std::string& reuseIdentifier, const ui::Color& detailColor) {
  registerInfoScreenClasses();
  auto cell = std::make_shared<ObjectListTableViewCell>(reuseIdentifier);
  std::string message;
  const auto objects = ui::InterfaceLoader::load("ObjectListTableViewCell", cell.get(), &message);
  // The definition's first object is the row's content, laid over the cell.
  auto content = objects.empty() ? nullptr : std::dynamic_pointer_cast<ui::View>(objects.front());
  if (content) {
    // The cell takes the definition's size, from which the row's width
    // then stretches the content.
    cell->setFrame({0, 0, content->frame().width(), content->frame().height()});
    cell->layoutIfNeeded();
    content->setFrame(cell->contentView().bounds());
    content->setAutoresizingMask(ui::kFlexibleWidth | ui::kFlexibleHeight);
    cell->contentView().addSubview(content);
  } else {
    ui::InterfaceLoader::reportFailure("ObjectListTableViewCell", message.empty() ? "no content" : message);
  }
  // A definition without its labels still gets rows that show something.
  for (auto* label : {&cell->nameLabel_, &cell->detailLabel_, &cell->riseSetLabel_}) {
    if (*label) continue;
    *label = std::make_shared<ui::Label>();
    cell->contentView().addSubview(*label);
  }
  const ui::Color text =
      AppDelegate::isNightVision() ? SVColor::colorWithRed(0.9, 0, 0, 1) : ui::Color::white(1.0);
  Utility::setUILabelsOf(cell.get(), text);
  cell->nameLabel_->setText("");
  cell->detailLabel_->setText("");
  cell->riseSetLabel_->setText("");
  cell->detailLabel_->setTextColor(detailColor);
  cell->riseSetLabel_->setTextColor(detailColor);
  return cell;
}

ui::Color ObjectListTableViewCell::standardDetailColor() {
  SVTableViewCell fresh(ui::TableViewCellStyle::subtitle);
  return fresh.detailTextLabel() != nullptr ? fresh.detailTextLabel()->textColor()
                                            : SVTableViewCell::detailTextColor();
}

int ObjectListTableViewCell::fill(CSkyChart* chart, const SkyObjectID& object,
                                  bool showCommonName) {
  char status[kStatusSize] = "";
  const int up = objectStatusLineForID(chart, object, status, sizeof status, 1, 0, 1, 1);
  status_ = status;
  const std::string& text = status_;
  const std::size_t lineEnd = text.find('\n');
  SkyObjectID reference = object;
  nameLabel_->setText(SkyObject::nameForObject(&reference, showCommonName));
  detailLabel_->setText(text.substr(0, lineEnd));
  riseSetLabel_->setText(lineEnd == std::string::npos ? "" : text.substr(lineEnd + 1));
  if (iconView_) iconView_->setImage(nullptr);
  nameLabel_->setAlpha(up ? 1.0 : kDimmedName);
  detailLabel_->setAlpha(up ? 1.0 : kDimmedLines);
  riseSetLabel_->setAlpha(up ? 1.0 : kDimmedLines);
  return up;
}
