#include "platform/devices/mail_compose.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "platform/foundation/bundle.h"
#include "platform/foundation/file_io.h"
#include "platform/uikit/controls.h"

namespace dev {
namespace {

std::string base64(const std::string& bytes, bool wrap) {
  static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::size_t line = 0;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 2]);
    out += alphabet[(v >> 18) & 63];
    out += alphabet[(v >> 12) & 63];
    out += i + 1 < bytes.size() ? alphabet[(v >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? alphabet[v & 63] : '=';
    if (wrap && (line += 4) >= 76) out += "\r\n", line = 0;
  }
  if (wrap && line) out += "\r\n";
  return out;
}

// A header value: line breaks removed (they would start new headers), and
// non-ASCII text as an encoded word.
std::string headerValue(const std::string& text) {
  std::string clean;
  for (char c : text)
    if (c != '\r' && c != '\n') clean += c;
  for (unsigned char c : clean)
    if (c >= 0x80) return "=?UTF-8?B?" + base64(clean, false) + "?=";
  return clean;
}

std::string joined(const std::vector<std::string>& addresses) {
  std::string out;
  for (auto& a : addresses) out += (out.empty() ? "" : ", ") + headerValue(a);
  return out;
}

std::string rfc5322Date(double seconds) {
  std::time_t t = static_cast<std::time_t>(seconds);
  std::tm utc{};
  gmtime_r(&t, &utc);
  char buffer[64];
  std::strftime(buffer, sizeof buffer, "%a, %d %b %Y %H:%M:%S +0000", &utc);
  return buffer;
}

}  // namespace

MailComposeViewController::MailComposeViewController() {
  modalPresentationStyle = ui::ModalPresentationStyle::fullScreen;
  navigationItem().leftBarButtonItem = std::make_shared<ui::BarButtonItem>(ui::BarButtonSystemItem::cancel, this, "cancel:");
  navigationItem().rightBarButtonItem = std::make_shared<ui::BarButtonItem>("Send", this, "send:");
}

void MailComposeViewController::loadView() {
  auto view = std::make_shared<ui::View>(ui::Screen::main().bounds());
  view->setBackgroundColor(ui::Color::whiteColor());
  auto header = std::make_shared<ui::Label>(ui::Rect{15, 60, view->bounds().width() - 30, 60});
  header->setNumberOfLines(3);
  header->setText("To: " + joined(to_) + "\nSubject: " + subject_);
  bodyView_ = std::make_shared<ui::TextView>(ui::Rect{10, 130, view->bounds().width() - 20, view->bounds().height() - 140});
  bodyView_->setText(body_);
  view->addSubview(header);
  view->addSubview(bodyView_);
  setView(view);
}

bool MailComposeViewController::performAction(std::string_view selector, ui::Object* sender) {
  if (selector == "send:") return send(), true;
  if (selector == "cancel:") return cancel(), true;
  return ui::ViewController::performAction(selector, sender);
}

std::string MailComposeViewController::messageText(double date) const {
  const char* from = std::getenv("TESSALY_MAIL_FROM");
  const std::string boundary = "tessaly-" + std::to_string(static_cast<long long>(date * 1000));
  std::string m;
  m += "From: " + headerValue(from && *from ? from : "Tessaly <tessaly@localhost>") + "\r\n";
  if (!to_.empty()) m += "To: " + joined(to_) + "\r\n";
  if (!cc_.empty()) m += "Cc: " + joined(cc_) + "\r\n";
  m += "Subject: " + headerValue(subject_) + "\r\n";
  m += "Date: " + rfc5322Date(date) + "\r\n";
  m += "Message-ID: <" + boundary + "@tessaly.localhost>\r\n";
  m += "MIME-Version: 1.0\r\n";
  const std::string bodyPart = std::string("Content-Type: text/") + (html_ ? "html" : "plain") +
                               "; charset=\"utf-8\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
                               base64(body_, true);
  if (attachments_.empty()) return m + bodyPart;
  m += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n";
  m += "--" + boundary + "\r\n" + bodyPart;
  for (const MailAttachment& a : attachments_) {
    m += "--" + boundary + "\r\nContent-Type: " + headerValue(a.mimeType.empty() ? "application/octet-stream" : a.mimeType) +
         "\r\nContent-Disposition: attachment; filename=\"" + headerValue(a.fileName) +
         "\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" + base64(a.data, true);
  }
  return m + "--" + boundary + "--\r\n";
}

std::string MailComposeViewController::send() {
  if (bodyView_) body_ = bodyView_->text();
  const double now = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
  const std::string folder = ns::documentsDirectory() + "/Outbox";
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  static int counter = 0;
  const std::string path = folder + "/" + std::to_string(static_cast<long long>(now)) + "-" +
                           std::to_string(++counter) + ".eml";
  const bool written = ns::writeFileAtomically(path, messageText(now));
  if (mailComposeDelegate)
    mailComposeDelegate->didFinish(*this, written ? MailComposeResult::sent : MailComposeResult::failed,
                                   written ? "" : path + ": cannot write the message");
  return written ? path : "";
}

void MailComposeViewController::cancel() {
  if (mailComposeDelegate) mailComposeDelegate->didFinish(*this, MailComposeResult::cancelled, "");
}

}  // namespace dev
