// Without a sound device the program says so once and plays nothing: the
// device is looked for once (each look repeats the sound libraries'
// complaints), what those libraries print while looking is held back
// unless tracing, and every later sound fails quietly. Its own process, as
// an opened device stays open for the process.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/devices/audio_player.h"

namespace {

TEST(DevicesNoSound, TheMissingDeviceIsToldOnceAndNotLookedForAgain) {
  // A driver SDL does not have: opening fails as it does on a machine
  // without sound.
  setenv("SDL_AUDIODRIVER", "no-such-sound-driver", 1);
  dev::setSoundTracing(false);
  testing::internal::CaptureStderr();
  std::string first, second;
  EXPECT_FALSE(dev::openAudio(&first));
  EXPECT_FALSE(dev::openAudio(&second));
  EXPECT_EQ(dev::AudioPlayer::fromFile("/nonexistent/SelectObject2.mp3", nullptr), nullptr);
  const std::string printed = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(dev::soundDeviceMissing());
  EXPECT_EQ(first, "no sound device");
  EXPECT_EQ(second, "no sound device");
  ASSERT_NE(printed.find("No sound device"), std::string::npos) << printed;
  EXPECT_EQ(printed.find("No sound device"), printed.rfind("No sound device")) << "once: " << printed;
  EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
  // Switching the driver afterwards finds nothing new: sounds stay off.
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  EXPECT_FALSE(dev::openAudio());
}

}  // namespace
