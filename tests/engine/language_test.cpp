// Language index and time locale. Month names come from the C library's own
// locale data, which nobody here wrote.
#include "engine/language.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <ctime>
#include <string>

namespace {

// strftime("%B") of 15 March, in whatever time locale is in force.
std::string marchName() {
  std::tm tm{};
  tm.tm_year = 124;
  tm.tm_mon = 2;
  tm.tm_mday = 15;
  char text[64];
  std::strftime(text, sizeof text, "%B", &tm);
  return text;
}

const char* shout(const char* text) {
  return std::strcmp(text, "%d moons") == 0 ? "%d LUNES" : "HOOKED";
}

class LanguageTest : public ::testing::Test {
 protected:
  void TearDown() override {
    translationHook = nullptr;
    setLanguage(0);
  }
};

TEST_F(LanguageTest, TableLanguagesAreStoredAndSwitchMonthNames) {
  setLanguage(3);
  EXPECT_EQ(getLanguage(), 3);
  EXPECT_EQ(marchName(), "März");
  setLanguage(2);
  EXPECT_EQ(getLanguage(), 2);
  EXPECT_EQ(marchName(), "mars");
  setLanguage(1);
  EXPECT_EQ(marchName(), "marzo");
  setLanguage(0);
  EXPECT_EQ(marchName(), "March");
}

TEST_F(LanguageTest, TimeLocaleOnlyIndexesKeepTheStoredLanguage) {
  setLanguage(2);
  setLanguage(6);
  EXPECT_EQ(getLanguage(), 2);
  EXPECT_STREQ(timeLocaleName(), "ja_JP");
  EXPECT_EQ(marchName(), "3月");
  setLanguage(8);
  EXPECT_STREQ(timeLocaleName(), "zh_Hans");
  EXPECT_EQ(marchName(), "三月");
  EXPECT_EQ(getLanguage(), 2);
}

TEST_F(LanguageTest, ReturningToTheStoredIndexRestoresItsLocale) {
  setLanguage(2);
  setLanguage(7);
  EXPECT_EQ(marchName(), "3월");
  setLanguage(2);  // equal to the stored index, yet Korean is in force
  EXPECT_STREQ(timeLocaleName(), "fr_FR");
  EXPECT_EQ(marchName(), "mars");
  setLanguage(5);
  setLanguage(0);
  EXPECT_EQ(marchName(), "March");
}

TEST_F(LanguageTest, TheLocaleInForceIsReportedApartFromTheStoredIndex) {
  setLanguage(3);
  EXPECT_EQ(timeLocaleLanguage(), 3);
  setLanguage(6);
  EXPECT_EQ(timeLocaleLanguage(), 6);
  setLanguage(0);
  setLanguage(3);  // what a caller saving both does to put them back
  setLanguage(6);
  EXPECT_EQ(getLanguage(), 3);
  EXPECT_EQ(marchName(), "3月");
}

TEST_F(LanguageTest, IndexesOutsideTheTableChangeNothing) {
  setLanguage(3);
  setLanguage(9);
  setLanguage(-1);
  setLanguage(1000);
  EXPECT_EQ(getLanguage(), 3);
  EXPECT_STREQ(timeLocaleName(), "de_DE");
  EXPECT_EQ(marchName(), "März");
}

TEST_F(LanguageTest, HookIsConsultedOnlyOutsideEnglish) {
  const char* text = "Set";
  setLanguage(4);
  EXPECT_EQ(translateString(text), text);  // no hook: the very pointer
  setLanguage(0);
  translationHook = shout;
  EXPECT_EQ(translateString(text), text);
  char buffer[32];
  EXPECT_STREQ(translatedSnprintf(buffer, sizeof buffer, "%d moons", 2), "2 moons");
  setLanguage(2);
  EXPECT_STREQ(translateString(text), "HOOKED");
  EXPECT_STREQ(translateStringCopy(buffer, text, sizeof buffer), "HOOKED");
  EXPECT_STREQ(translatedSnprintf(buffer, sizeof buffer, "%d moons", 2), "2 LUNES");
  setLanguage(6);  // the stored language, French, still decides
  EXPECT_STREQ(translateString(text), "HOOKED");
}

TEST_F(LanguageTest, CopiesAreTruncatedAndTerminated) {
  char buffer[6];
  std::memset(buffer, 'x', sizeof buffer);
  translateStringCopy(buffer, "Transit", sizeof buffer);
  EXPECT_STREQ(buffer, "Trans");
  translatedSnprintf(buffer, sizeof buffer, "%s", "Culmination");
  EXPECT_STREQ(buffer, "Culmi");
  char untouched = 'x';
  translateStringCopy(&untouched, "Rise", 0);
  EXPECT_EQ(untouched, 'x');
}

}  // namespace
