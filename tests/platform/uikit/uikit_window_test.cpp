// The device the environment describes: values that cannot serve are named
// once, with the device's own value taken instead.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/uikit/window.h"

namespace {

struct Setting {
  const char* value;
  bool refused;
};

// What standard error says while the device is read (twice: a setting
// read again says nothing new) with `variable` set to `value`; `read` gets
// the device read.
std::string saidReading(const char* variable, const char* value, ui::DeviceConfiguration& read) {
  setenv(variable, value, 1);
  testing::internal::CaptureStderr();
  ui::DeviceConfiguration::fromEnvironment();
  read = ui::DeviceConfiguration::fromEnvironment();
  unsetenv(variable);
  return testing::internal::GetCapturedStderr();
}

TEST(UikitWindow, AnUnusableIdiomIsNamedOnceAndThePhoneUsed) {
  const ui::DeviceConfiguration phone;
  for (const Setting& idiom : {Setting{"pad", false}, Setting{"phone", false}, Setting{"tablet", true},
                               Setting{"Pad", true}, Setting{"pad ", true}}) {
    SCOPED_TRACE(idiom.value);
    ui::DeviceConfiguration read;
    EXPECT_EQ(saidReading("TESSALY_IDIOM", idiom.value, read),
              idiom.refused ? "TESSALY_IDIOM=\"" + std::string(idiom.value) + "\" is not phone or pad; using phone\n"
                            : "");
    const bool pad = std::string(idiom.value) == "pad";
    EXPECT_EQ(read.idiom, pad ? ui::Idiom::pad : ui::Idiom::phone);
    EXPECT_EQ(read.portraitSize.height, pad ? 1024 : phone.portraitSize.height);
  }
}

TEST(UikitWindow, AnUnusableSafeAreaIsNamedOnceAndNoneUsed) {
  struct Area {
    const char* value;
    ui::EdgeInsets taken;  // none when refused
    bool refused;
  };
  const Area areas[] = {{"47,1,34,2", {47, 1, 34, 2}, false}, {"100,0,0.5,0", {100, 0, 0.5, 0}, false},
                        {"0,0,0,0", {}, false},                {"47,0,34", {}, true},
                        {"47,0,34,0,0", {}, true},             {"-1,0,0,0", {}, true},
                        {"101,0,0,0", {}, true},               {"47, 0,34,0", {}, true},
                        {"47,0,34,0pt", {}, true},             {"47,,34,0", {}, true},
                        {"nan,0,0,0", {}, true}};
  for (const Area& area : areas) {
    SCOPED_TRACE(area.value);
    ui::DeviceConfiguration read;
    EXPECT_EQ(saidReading("TESSALY_SAFE_AREA", area.value, read),
              area.refused ? "TESSALY_SAFE_AREA=\"" + std::string(area.value) +
                                 "\" is not insets top,left,bottom,right of 0 to 100 points each; using 0,0,0,0\n"
                           : "");
    EXPECT_EQ(read.portraitSafeArea, area.taken);
  }
}

TEST(UikitWindow, AnUnusableDarkModeIsNamedOnceAndTheDarkUsed) {
  for (const Setting& dark : {Setting{"1", false}, Setting{"0", false}, Setting{"yes", true}, Setting{"off", true},
                              Setting{"01", true}}) {
    SCOPED_TRACE(dark.value);
    ui::DeviceConfiguration read;
    EXPECT_EQ(saidReading("TESSALY_DARK_MODE", dark.value, read),
              dark.refused ? "TESSALY_DARK_MODE=\"" + std::string(dark.value) + "\" is not 0 or 1; using 1\n" : "");
    EXPECT_EQ(read.darkMode, std::string(dark.value) != "0");
  }
}

}  // namespace
