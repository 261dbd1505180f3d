// The mail composer: a screen with the message's recipients, subject and
// body; sending writes the message as an RFC 5322 file (.eml) into the
// Outbox folder under the user's documents, replaced atomically.
#pragma once

#include <string>
#include <vector>

#include "platform/uikit/text_input.h"
#include "platform/uikit/view_controller.h"

namespace dev {

enum class MailComposeResult { cancelled = 0, saved = 1, sent = 2, failed = 3 };

class MailComposeViewController;

class MailComposeDelegate {
 public:
  virtual ~MailComposeDelegate() = default;
  virtual void didFinish(MailComposeViewController&, MailComposeResult, const std::string& /*error*/) {}
};

struct MailAttachment {
  std::string data, mimeType, fileName;
};

class MailComposeViewController : public ui::ViewController {
 public:
  MailComposeViewController();
  std::string className() const override { return "MFMailComposeViewController"; }
  // The host can always write mail files.
  static bool canSendMail() { return true; }
  void setSubject(std::string subject) { subject_ = std::move(subject); }
  void setToRecipients(std::vector<std::string> to) { to_ = std::move(to); }
  void setCcRecipients(std::vector<std::string> cc) { cc_ = std::move(cc); }
  void setMessageBody(std::string body, bool isHTML) { body_ = std::move(body), html_ = isHTML; }
  void addAttachment(MailAttachment attachment) { attachments_.push_back(std::move(attachment)); }
  MailComposeDelegate* mailComposeDelegate = nullptr;

  // The message as RFC 5322 text (with MIME parts).
  std::string messageText(double date) const;
  // Writes the message into the outbox and tells the delegate; returns the
  // file's path ("" when it could not be written).
  std::string send();
  void cancel();
  void loadView() override;
  bool performAction(std::string_view selector, ui::Object* sender) override;

 private:
  std::string subject_, body_;
  std::vector<std::string> to_, cc_;
  std::vector<MailAttachment> attachments_;
  bool html_ = false;
  std::shared_ptr<ui::TextView> bodyView_;
};

}  // namespace dev
