// The mail composer's messages read back by Python's email package.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "platform/devices/mail_compose.h"
#include "platform/foundation/file_io.h"
#include "temp_dir.h"

namespace {

std::string python(const std::string& program, const std::string& argument) {
  std::string command = "/usr/bin/python3 -c '" + program + "' " + argument;
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[1024];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  ::pclose(pipe);
  return out;
}

class Recorder : public dev::MailComposeDelegate {
 public:
  dev::MailComposeResult result = dev::MailComposeResult::failed;
  int calls = 0;
  void didFinish(dev::MailComposeViewController&, dev::MailComposeResult r, const std::string&) override {
    result = r;
    ++calls;
  }
};

TEST(DevicesMail, ASentMessageIsAnRfc5322FileWithItsUtf8BodyIntact) {
  tessaly::test::TempDir home;
  setenv("TESSALY_HOME", home.path().c_str(), 1);
  dev::MailComposeViewController composer;
  Recorder recorder;
  composer.mailComposeDelegate = &recorder;
  const std::string body = "Bonjour, l\xe2\x80\x99\xc3\xa9toile \xce\xb1 Lyrae \xe2\x80\x94 Vega.\nSecond line: \xe2\x98\x85";
  composer.setSubject("Question about \xce\xb1 Centauri");
  composer.setToRecipients({"support@example.org", "evil@example.org\r\nBcc: victim@example.org"});
  composer.setMessageBody(body, false);
  composer.addAttachment({"settings text\n", "text/plain", "CurrentSettings.txt"});
  const std::string path = composer.send();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(recorder.result, dev::MailComposeResult::sent);
  EXPECT_NE(path.find("/Documents/Outbox/"), std::string::npos);
  const std::string out = python(
      "import sys, email, email.policy\n"
      "m = email.message_from_binary_file(open(sys.argv[1], \"rb\"), policy=email.policy.default)\n"
      "body = m.get_body(preferencelist=(\"plain\",)).get_content()\n"
      "att = [p.get_filename() for p in m.iter_attachments()]\n"
      "to = \"support@example.org\" in str(m[\"To\"])\n"
      "sys.stdout.write(str(m[\"Subject\"]) + \"|\" + str(to) + \"|\" + str(m[\"Bcc\"]) + \"|\" + \",\".join(att) + \"|\" + body)\n",
      path);
  // The line break in an address cannot start a header of its own.
  EXPECT_EQ(out, "Question about \xce\xb1 Centauri|True|None|CurrentSettings.txt|" + body);
  composer.cancel();
  EXPECT_EQ(recorder.result, dev::MailComposeResult::cancelled);
  EXPECT_TRUE(dev::MailComposeViewController::canSendMail());
  unsetenv("TESSALY_HOME");
}

}  // namespace
