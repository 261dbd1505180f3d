#include "ui/info/help_list_view_controller.h"

#include "platform/foundation/bundle.h"
#include "platform/foundation/user_defaults.h"
#include "platform/uikit/font.h"
#include "platform/uikit/navigation_controller.h"
#include "ui/foundation/sv_table.h"
#include "ui/foundation/utility.h"
#include "ui/info/help_item_view_controller.h"
#include "ui/info/quick_start_view_controller.h"
#include "ui/info/screen_loading.h"

namespace {
constexpr double kHeaderFontSize = 14;
constexpr double kNoFooter = 0.01;
constexpr const char* kAppName = "Tessaly";
}  // namespace

HelpListViewController::HelpListViewController()
    : itemLists_{
          {{"Quick Start"},
           {"Sky View", "Orbit View", "Satellite View", "Ground View"},
           {"Motion", "Center", "Search", "Info", "Settings", "Time Flow", "Night Vision"}}} {}

std::shared_ptr<HelpListViewController> HelpListViewController::create() {
  return std::make_shared<HelpListViewController>();
}

const std::vector<std::string>& HelpListViewController::topics(int section) const {
  static const std::vector<std::string> none;
  return section >= 0 && section < kSections ? itemLists_[static_cast<std::size_t>(section)] : none;
}

std::string HelpListViewController::sectionTitle(int section) const {
  switch (section) {
    case 0:
      return std::string(kAppName) + " version " + ns::Bundle::main().infoValue("CFBundleVersion");
    case 1:
      return "Views";
    case 2:
      return "Other Controls";
    default:
      return {};
  }
}

bool HelpListViewController::setValue(std::string_view key, const std::any& value) {
  if (const auto* object = std::any_cast<std::shared_ptr<ui::Object>>(&value)) {
    if (key == "emailSupportView")
      return (emailSupportView_ = std::dynamic_pointer_cast<ui::View>(*object)) != nullptr;
    if (key == "tableView")
      return (table_ = std::dynamic_pointer_cast<ui::TableView>(*object)) != nullptr;
  }
  return SVViewController::setValue(key, value);
}

bool HelpListViewController::performAction(std::string_view selector, ui::Object* sender) {
  if (selector == "emailSupport:")
    emailSupport(sender);
  else if (selector == "doneTouched:")
    doneTouched(sender);
  else
    return SVViewController::performAction(selector, sender);
  return true;
}

void HelpListViewController::loadView() {
  loadScreenDefinition(*this, "HelpListView");
  table_ = tableOrNew(table_, *view());
}

void HelpListViewController::viewDidLoad() {
  SVViewController::viewDidLoad();
  setTitle("Help");
  navigationItem().rightBarButtonItem =
      std::make_shared<ui::BarButtonItem>(ui::BarButtonSystemItem::done, this, "doneTouched:");
  table_->dataSource = this;
  table_->delegate = this;
}

void HelpListViewController::viewWillAppear(bool animated) {
  SVViewController::viewWillAppear(animated);
  if (auto selected = table_->indexPathForSelectedRow()) table_->deselectRow(*selected, true);
}

unsigned HelpListViewController::supportedInterfaceOrientations() const {
  return Utility::supportedInterfaceOrientations();
}

int HelpListViewController::numberOfRows(ui::TableView&, int section) {
  return static_cast<int>(topics(section).size());
}

std::shared_ptr<ui::TableViewCell> HelpListViewController::cellForRow(ui::TableView& table,
                                                                      ui::IndexPath path) {
  auto cell = std::dynamic_pointer_cast<SVTableViewCell>(table.dequeueReusableCell("ListsCell"));
  if (!cell)
    cell = std::make_shared<SVTableViewCell>(ui::TableViewCellStyle::defaultStyle, "ListsCell");
  cell->setAccessoryType(ui::TableViewCellAccessory::disclosureIndicator);
  const std::vector<std::string>& list = topics(path.section);
  if (path.row < 0 || path.row >= static_cast<int>(list.size())) return cell;
  const std::string& topic = list[static_cast<std::size_t>(path.row)];
  cell->textLabel().setText(path.section == 0 ? topic : topic + " Help");
  return cell;
}

double HelpListViewController::heightForHeader(ui::TableView&, int) {
  return SVTableView::sectionHeaderHeight();
}

double HelpListViewController::heightForFooter(ui::TableView&, int section) {
  return section == 2 && emailSupportView_ ? emailSupportView_->frame().height() : kNoFooter;
}

std::shared_ptr<ui::View> HelpListViewController::viewForHeader(ui::TableView&, int section) {
  auto header = std::make_shared<SVSectionHeader>();
  header->textLabel().setText(sectionTitle(section));
  header->textLabel().setFont(ui::Font::systemFont(kHeaderFontSize));
  header->textLabel().setTextColor(SVTableView::sectionHeaderTextColor());
  header->setBackgroundColor(SVTableView::sectionHeaderBackgroundColor());
  return header;
}

std::shared_ptr<ui::View> HelpListViewController::viewForFooter(ui::TableView&, int section) {
  return section == 2 ? emailSupportView_ : nullptr;
}

void HelpListViewController::didSelectRow(ui::TableView&, ui::IndexPath path) {
  ui::NavigationController* navigation = navigationController();
  const std::vector<std::string>& list = topics(path.section);
  if (navigation == nullptr || path.row < 0 || path.row >= static_cast<int>(list.size())) return;
  const std::string& topic = list[static_cast<std::size_t>(path.row)];
  if (path.section == 0) {
    if (path.row != 0) return;
    auto quickStart = QuickStartViewController::create();
    quickStart->setTitle(topic);
    navigation->pushViewController(quickStart, true);
    return;
  }
  auto page = HelpItemViewController::create();
  page->contentPathInit = topic + ".html";
  page->contentDirInit = "Help";
  page->setTitle(topic);
  navigation->pushViewController(page, true);
}

void HelpListViewController::emailSupport(ui::Object*) {
  const std::optional<std::string> address =
      ns::UserDefaults::standard().stringForKey(kSupportAddressKey);
  if (!address || address->empty() || !dev::MailComposeViewController::canSendMail()) {
    Utility::showAlertWithMessage("This Device Cannot Send Email");
    return;
  }
  auto composer = std::make_shared<dev::MailComposeViewController>();
  composer->mailComposeDelegate = this;
  composer->setToRecipients({*address});
  composer->setSubject(std::string(kAppName) + " " + Utility::appVersionString() + " question");
  composer->setMessageBody("Hi! I have a question about your app.", true);
  presentViewController(composer, true);
}

void HelpListViewController::didFinish(dev::MailComposeViewController& composer,
                                       dev::MailComposeResult, const std::string&) {
  composer.dismissViewController(true);
}

void HelpListViewController::doneTouched(ui::Object*) { dismissViewController(true); }
