// The chart screen's images and the application's sounds as the build
// writes them into the bundle: every name the screens ask for, at the
// sizes and in the variants the image lookup expects, shapes that mirror
// where they should; every sound readable by Python's wave module (the
// oracle) and by the sound stand-in, short, without clicks at its ends.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/coregraphics/image_codec.h"
#include "platform/devices/audio_player.h"
#include "requirements.h"

namespace {

std::string bundle() {
  const char* folder = std::getenv("TESSALY_MEDIA_BUNDLE");
  return folder ? folder : "";
}

struct ImageSpec {
  const char* name;
  double width, height;  // points
};
constexpr ImageSpec kImages[] = {
    {"Motion", 28, 28},        {"Stop", 28, 28},
    {"VerticalLeftMore", 12, 24}, {"VerticalRightMore", 12, 24},
    {"SkyPerspective", 28, 28}, {"OrbitPerspective", 28, 28}, {"SatellitePerspective", 28, 28},
    {"GroundPerspective", 28, 28}, {"Center", 28, 28}, {"Search", 28, 28}, {"Info", 28, 28},
    {"Settings", 28, 28}, {"Time", 28, 28}, {"NightVision", 28, 28}, {"ToolbarHelp", 28, 28},
    {"TimeFlowForwardOff", 36, 24}, {"TimeFlowForwardOn", 36, 24},
    {"TimeFlowBackwardOff", 36, 24}, {"TimeFlowBackwardOn", 36, 24},
    {"TimeStepForward", 36, 24}, {"TimeStepBackward", 36, 24},
};

std::shared_ptr<cg::Image> load(const std::string& name) {
  std::string message;
  auto image = cg::imageFromFile(bundle() + "/Images/" + name + ".png", &message);
  EXPECT_TRUE(image) << name << ": " << message;
  return image;
}

int inked(const cg::Image& image, std::size_t x, std::size_t y) { return image.pixel(x, y).a; }

// Pixels whose alpha differs by more than `tolerance` between the image
// and the other one turned over left to right. The rasteriser's sample
// points are not symmetric, so slanted edges differ by up to 17 levels.
int mirrorDifferences(const cg::Image& a, const cg::Image& b, int tolerance = 20) {
  if (a.width() != b.width() || a.height() != b.height()) return -1;
  int differences = 0;
  for (std::size_t y = 0; y < a.height(); ++y)
    for (std::size_t x = 0; x < a.width(); ++x)
      differences += std::abs(inked(a, x, y) - inked(b, a.width() - 1 - x, y)) > tolerance;
  return differences;
}

TEST(BundleImages, EveryChartScreenImageAtBothScalesInWhiteAndInNightRed) {
  for (const ImageSpec& spec : kImages) {
    for (const std::string variant : {"", "_night"}) {
      for (int scale : {1, 2}) {
        const std::string name = spec.name + variant + (scale == 2 ? "@2x" : "");
        auto image = load(name);
        if (!image) continue;
        EXPECT_EQ(image->width(), std::size_t(spec.width * scale)) << name;
        EXPECT_EQ(image->height(), std::size_t(spec.height * scale)) << name;
        int ink = 0, offColour = 0;
        for (std::size_t y = 0; y < image->height(); ++y)
          for (std::size_t x = 0; x < image->width(); ++x) {
            const cg::Pixel p = image->pixel(x, y);
            if (p.a < 128) continue;
            ++ink;
            // Premultiplied: white has r = g = b = a; night red has no green or blue.
            const bool white = p.r == p.a && p.g == p.a && p.b == p.a;
            const bool red = p.r > 0 && p.g == 0 && p.b == 0;
            offColour += variant.empty() ? !white : !red;
          }
        EXPECT_GT(ink, image->width() * image->height() / 20) << name << " is nearly empty";
        EXPECT_EQ(offColour, 0) << name;
        EXPECT_EQ(inked(*image, 0, 0), 0) << name << " has a clear background";
      }
    }
  }
}

TEST(BundleImages, LeftAndBackwardImagesMirrorTheirPartnersAndOnCoversOff) {
  for (auto [left, right] : {std::pair{"VerticalLeftMore@2x", "VerticalRightMore@2x"},
                             std::pair{"TimeFlowBackwardOff@2x", "TimeFlowForwardOff@2x"},
                             std::pair{"TimeFlowBackwardOn@2x", "TimeFlowForwardOn@2x"},
                             std::pair{"TimeStepBackward@2x", "TimeStepForward@2x"}}) {
    auto a = load(left), b = load(right);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(mirrorDifferences(*a, *b), 0) << left << " against " << right;
    EXPECT_GT(mirrorDifferences(*b, *b), 0) << right << " is not symmetric itself";
  }
  // A right-pointing image has its point on the right: more ink in the
  // left half (the triangle's base, the chevron's arms at their ends).
  auto forward = load("TimeFlowForwardOn@2x");
  ASSERT_TRUE(forward);
  long left = 0, right = 0;
  for (std::size_t y = 0; y < forward->height(); ++y)
    for (std::size_t x = 0; x < forward->width(); ++x) (x < forward->width() / 2 ? left : right) += inked(*forward, x, y);
  EXPECT_GT(left, right);
  auto off = load("TimeFlowForwardOff@2x"), on = load("TimeFlowForwardOn@2x");
  ASSERT_TRUE(off && on);
  long offInk = 0, onInk = 0, uncovered = 0;
  for (std::size_t y = 0; y < off->height(); ++y)
    for (std::size_t x = 0; x < off->width(); ++x) {
      offInk += inked(*off, x, y) > 128;
      onInk += inked(*on, x, y) > 128;
      uncovered += inked(*off, x, y) > 128 && inked(*on, x, y) < 128;
    }
  EXPECT_EQ(uncovered, 0);
  EXPECT_GT(2 * onInk, 3 * offInk);
}

struct SoundFacts {
  int channels = 0, width = 0, rate = 0;
  double seconds = 0, peak = 0, first = 0, last = 0, firstToLast = 0;
};

// Python's wave module reads the file: its format, length, peak and end
// samples (fractions of full scale).
constexpr const char* kWaveFacts =
    "import wave,sys,struct\n"
    "w=wave.open(sys.argv[1]); n=w.getnframes(); d=w.readframes(n)\n"
    "s=struct.unpack('<%dh'%(len(d)//2),d)\n"
    "p=max(abs(v) for v in s)/32768.0\n"
    "print(w.getnchannels(),w.getsampwidth(),w.getframerate(),n/w.getframerate(),p,abs(s[0])/32768.0,"
    "abs(s[-1])/32768.0,abs(s[-1]-s[0])/32768.0)\n";

bool readWithPython(const std::string& path, SoundFacts& facts) {
  setenv("TESSALY_WAVE_FACTS", kWaveFacts, 1);
  FILE* pipe = ::popen(("/usr/bin/python3 -c \"$TESSALY_WAVE_FACTS\" '" + path + "'").c_str(), "r");
  if (!pipe) return false;
  const int read = std::fscanf(pipe, "%d %d %d %lf %lf %lf %lf %lf", &facts.channels, &facts.width, &facts.rate,
                               &facts.seconds, &facts.peak, &facts.first, &facts.last, &facts.firstToLast);
  return ::pclose(pipe) == 0 && read == 8;
}

TEST(BundleSounds, EverySoundTheProgramPlaysIsAShortCleanTone) {
  if (!tessaly::test::programInstalled("/usr/bin/python3")) TESSALY_SKIP_OR_FAIL("/usr/bin/python3 is not installed");
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  const struct {
    const char* name;
    double shortest, longest;  // seconds
  } sounds[] = {{"SelectObject2.mp3", 0.1, 0.5},  {"CenterObject.mp3", 0.1, 0.6},   {"sms-received.wav", 0.1, 1.0},
                {"MenuIn.caf", 0.03, 0.3},        {"MenuOut.caf", 0.03, 0.3},       {"TimeRunForward.caf", 0.1, 0.5},
                {"TimeRunBackward.caf", 0.1, 0.5}, {"TimeStepForward.caf", 0.02, 0.2}, {"TimeStepBackward.caf", 0.02, 0.2},
                {"ZoomIn2.mp3", 0.1, 0.4},         {"ZoomOut2.mp3", 0.1, 0.4},        {"Silence.caf", 0.05, 0.5},
                {"Soaring.mp3", 2.0, 10.0}};
  for (const auto& sound : sounds) {
    const std::string path = bundle() + "/Sounds/" + sound.name;
    SoundFacts facts;
    ASSERT_TRUE(readWithPython(path, facts)) << sound.name;
    EXPECT_EQ(facts.channels, 1) << sound.name;
    EXPECT_EQ(facts.width, 2) << sound.name;
    EXPECT_EQ(facts.rate, 44100) << sound.name;
    EXPECT_GE(facts.seconds, sound.shortest) << sound.name;
    EXPECT_LE(facts.seconds, sound.longest) << sound.name;
    EXPECT_LE(facts.peak, 0.51) << sound.name << " stays under the user's own sound";
    const bool silence = std::string(sound.name) == "Silence.caf", loop = std::string(sound.name) == "Soaring.mp3";
    if (silence) EXPECT_EQ(facts.peak, 0) << sound.name;
    else EXPECT_GT(facts.peak, 0.3) << sound.name;
    // Starts and ends near zero (no click), or, for the loop, ends where it starts.
    if (loop) EXPECT_LT(facts.firstToLast, 0.02) << sound.name;
    else EXPECT_LT(std::max(facts.first, facts.last), 0.01) << sound.name;
    std::string message;
    auto player = dev::AudioPlayer::fromFile(path, &message);
    ASSERT_TRUE(player) << sound.name << ": " << message;
    EXPECT_NEAR(player->duration(), facts.seconds, 0.01) << sound.name;
  }
}

// The program reads its pages, style sheets, screens, shaders and scripts
// from the bundle beside it: every folder of the source's resources is
// there (the quick start's pages once were not, and it showed black).
TEST(BundleResources, EveryResourceFolderIsInTheBundle) {
  const char* source = std::getenv("TESSALY_SOURCE_DIR");
  ASSERT_NE(source, nullptr);
  int folders = 0;
  for (const auto& entry : std::filesystem::directory_iterator(std::string(source) + "/resources")) {
    if (!entry.is_directory()) continue;
    ++folders;
    EXPECT_TRUE(std::filesystem::is_directory(bundle() + "/" + entry.path().filename().string()))
        << entry.path().filename();
  }
  EXPECT_GE(folders, 7);
  EXPECT_TRUE(std::filesystem::exists(bundle() + "/Help/QuickStart0.html"));
}

}  // namespace
