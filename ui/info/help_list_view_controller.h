// HelpListViewController: the help topics (the quick start, the views and
// the other controls) with a button at the foot that writes to the
// maker's support address.
//
// Thread rules: main thread only.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "platform/devices/mail_compose.h"
#include "platform/uikit/table_view.h"
#include "ui/foundation/sv_view_controller.h"

class HelpListViewController : public SVViewController,
                               private ui::TableViewDataSource,
                               private ui::TableViewDelegate,
                               private dev::MailComposeDelegate {
 public:
  static constexpr int kSections = 3;
  // The user default that holds the support address; unset, the device
  // cannot send mail.
  static constexpr const char* kSupportAddressKey = "SupportEmailAddress";

  HelpListViewController();
  std::string className() const override { return "HelpListViewController"; }
  // A new screen from the screen definition "HelpListView".
  static std::shared_ptr<HelpListViewController> create();

  const std::vector<std::string>& topics(int section) const;
  std::string sectionTitle(int section) const;
  void emailSupport(ui::Object* sender);
  void doneTouched(ui::Object* sender);
  ui::View* emailSupportView() const { return emailSupportView_.get(); }
  ui::TableView* table() const { return table_.get(); }

  bool setValue(std::string_view key, const std::any& value) override;
  bool performAction(std::string_view selector, ui::Object* sender) override;
  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  unsigned supportedInterfaceOrientations() const override;

 private:
  int numberOfSections(ui::TableView&) override { return kSections; }
  int numberOfRows(ui::TableView&, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView&, ui::IndexPath path) override;
  std::string titleForHeader(ui::TableView&, int section) override { return sectionTitle(section); }
  double heightForHeader(ui::TableView&, int section) override;
  double heightForFooter(ui::TableView&, int section) override;
  std::shared_ptr<ui::View> viewForHeader(ui::TableView&, int section) override;
  std::shared_ptr<ui::View> viewForFooter(ui::TableView&, int section) override;
  void didSelectRow(ui::TableView&, ui::IndexPath path) override;
  void didFinish(dev::MailComposeViewController& composer, dev::MailComposeResult,
                 const std::string&) override;

  std::array<std::vector<std::string>, kSections> itemLists_;
  std::shared_ptr<ui::View> emailSupportView_;
  std::shared_ptr<ui::TableView> table_;
};
