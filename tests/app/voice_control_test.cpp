// Voice control: phrases typed into the speech stand-in run the stereo
// mode's commands on the chart screen; the listening cycle's pauses,
// restarts and stops on the run loop's clock; the object commands called
// directly against a small catalogue.
#include "app/voice_control.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/devices/audio_session.h"
#include "platform/devices/authorization.h"
#include "platform/foundation/run_loop.h"
#include "platform/uikit/controls.h"
#include "skydata/application_database.h"
#include "skydata/catalog_numbers.h"
#include "skydata/sky_database.h"
#include "tests/chart/sky_fixture.h"
#include "tests/ui/foundation/ui_foundation_support.h"
#include "ui/info/list_manager.h"

namespace {

using dev::AuthorizationStatus;

// The chart screen with real buttons whose actions are recorded.
class VoiceChartScreen : public uifoundation::FakeChartViewController {
 public:
  explicit VoiceChartScreen(CSkyChart* chart) : FakeChartViewController(chart) {
    for (int p = 1; p <= 4; ++p) connect(perspective_[p - 1], "perspective:" + std::to_string(p));
    connect(center_, "center");
    connect(info_, "info");
  }
  ui::Button* perspectiveButton(int p) override { return p >= 1 && p <= 4 ? perspective_[p - 1].get() : nullptr; }
  ui::Button* centerButton() override { return center_.get(); }
  ui::Button* infoButton() override { return info_.get(); }
  void selectObject(const SkyObjectID& object) override {
    selected.push_back(object);
    FakeChartViewController::selectObject(object);
  }
  std::vector<SkyObjectID> selected;

 private:
  void connect(std::shared_ptr<ui::Button>& button, std::string name) {
    button = std::make_shared<ui::Button>();
    button->addAction([this, name](ui::Control&) { calls.push_back(name); }, ui::kControlEventTouchUpInside);
  }
  std::shared_ptr<ui::Button> perspective_[4], center_, info_;
};

std::vector<chart_test::StarDefinition> stars() {
  return {{0, 279.2, 38.8, 0.0f, "Vega", {}}, {0, 10, 10, 4.0f, "TWIN", {}}, {0, 20, 20, 4.5f, "Twin", {makeCatalogNumber(11, 7)}},
          {0, 30, -10, 5.0f, "On Altair", {}}};
}

class Voice : public ::testing::Test {
 protected:
  Voice() : sky_(stars()), chart_(sky_.chart(400, 300, 0, 0, 60)) {
    authorize(AuthorizationStatus::authorizedWhenInUse);
    screen_ = std::make_shared<VoiceChartScreen>(chart_.get());
    ChartViewController::setCurrentController(screen_.get());
    setApplicationSkyDatabase(&sky_.database());
  }
  ~Voice() override {
    voice_.reset();
    ChartViewController::setCurrentController(nullptr);
    setApplicationSkyDatabase(nullptr);
    VoiceControl::setSearchResultsPresenter({});
  }
  static void authorize(AuthorizationStatus microphone) {
    dev::configureAuthorization(dev::Service::speech, AuthorizationStatus::authorizedWhenInUse,
                                AuthorizationStatus::authorizedWhenInUse);
    dev::configureAuthorization(dev::Service::microphone, microphone, microphone);
  }
  void listen() {
    voice_->startRecordingWithInitialSound();
    EXPECT_FALSE(voice_->isRecording());
    world_.run(0.6);
    ASSERT_TRUE(voice_->isRecording());
  }
  // Speaks a phrase and lets its partial and final results arrive.
  std::vector<std::string> say(const std::string& phrase) {
    screen_->calls.clear();
    screen_->fakeView().calls.clear();
    dev::SpeechRecognizer::hear(phrase);
    world_.run(0.01);
    std::vector<std::string> heard = screen_->calls;
    for (const std::string& call : screen_->fakeView().calls) heard.push_back(call);
    return heard;
  }

  uifoundation::World world_;
  chart_test::ChartSky sky_;
  std::unique_ptr<CSkyChart> chart_;
  std::shared_ptr<VoiceChartScreen> screen_;
  std::vector<SkyObjectID> buffer_ = std::vector<SkyObjectID>(30000);
  std::unique_ptr<VoiceControl> voice_ = std::make_unique<VoiceControl>(buffer_);
  using Calls = std::vector<std::string>;
};

TEST_F(Voice, SpokenPhrasesRunTheirCommandsExactlyAsTheyAreHeard) {
  listen();
  EXPECT_EQ(say("Sky View"), Calls{"perspective:1"});
  EXPECT_EQ(say("SKYVIEW"), Calls{"perspective:1"});
  EXPECT_EQ(say("sky view please"), Calls{});
  EXPECT_EQ(say("orbit of you"), Calls{"perspective:2"});
  EXPECT_EQ(say("satellite you"), Calls{"perspective:3"});
  EXPECT_EQ(say("zoomer"), Calls{"zoomOut"});
  EXPECT_EQ(say("now"), Calls{"timeNow"});
  EXPECT_EQ(say("stop"), Calls{"zoomStop"}) << "stop stops zooming, not time";
  EXPECT_EQ(say("time to stop"), Calls{"timeStop"});
  EXPECT_EQ(say("time for a word"), Calls{"timeForward"});
  EXPECT_EQ(say("time backwards"), Calls{"timeBackward"});
  EXPECT_TRUE(voice_->isRecording()) << "listening again after every phrase";
  EXPECT_EQ(dev::AudioSession::shared().category(), dev::AudioCategory::playAndRecord);
}

TEST_F(Voice, TheFirstTranscriptionThatIsACommandActs) {
  EXPECT_TRUE(voice_->interpretSimpleCommands({"zoo mine", "zoom in"}));
  EXPECT_EQ(screen_->fakeView().calls, Calls{"zoomIn"});
  EXPECT_TRUE(voice_->interpretSimpleCommands({"time now", "zoom in"}));
  EXPECT_EQ(screen_->calls, Calls{"timeNow"});
  EXPECT_FALSE(voice_->interpretSimpleCommands({"zoom", "in"}));
  EXPECT_FALSE(voice_->interpretSimpleCommands({}));
  ChartViewController::setCurrentController(nullptr);
  EXPECT_FALSE(voice_->interpretSimpleCommands({"zoom in"})) << "no chart screen, nothing acts";
}

TEST_F(Voice, APhraseEndsHalfASecondAfterItsLastWordAndListeningLastsAtMost45Seconds) {
  listen();
  voice_->didHypothesizeTranscription("time");
  world_.run(0.4);
  voice_->didHypothesizeTranscription("time now");
  world_.run(0.4);
  EXPECT_TRUE(voice_->isRecording()) << "0.4 s after the last partial";
  world_.run(0.15);
  EXPECT_FALSE(voice_->isRecording()) << "the audio ended 0.5 s after it";
  voice_->didFinishRecognition({"time now"});
  EXPECT_TRUE(voice_->isRecording());

  // A task is restarted every 45 s.
  world_.run(44.9);
  EXPECT_TRUE(voice_->isRecording());
  world_.run(0.2);
  EXPECT_TRUE(voice_->isRecording()) << "reset: stopped and started again";
  EXPECT_EQ(say("zoom in"), Calls{"zoomIn"});
}

TEST_F(Voice, StoppingInterpretsThePendingPhraseThenListensNoMore) {
  listen();
  voice_->stopRecording();
  EXPECT_FALSE(voice_->isRecording());
  EXPECT_EQ(dev::AudioSession::shared().category(), dev::AudioCategory::ambient);
  voice_->didFinishRecognition({"zoom in"});
  EXPECT_EQ(screen_->fakeView().calls, Calls{"zoomIn"});
  EXPECT_FALSE(voice_->isRecording());
  world_.run(60);
  EXPECT_FALSE(voice_->isRecording()) << "no reset after a stop";

  listen();
  voice_->recognizerAvailabilityDidChange(false);
  EXPECT_FALSE(voice_->isRecording());
}

TEST_F(Voice, WithoutTheMicrophoneListeningFailsOnceAndSchedulesNothing) {
  authorize(AuthorizationStatus::denied);
  voice_->startRecordingWithInitialSound();
  world_.run(0.6);
  EXPECT_FALSE(voice_->isRecording());
  world_.run(60);
  EXPECT_FALSE(voice_->isRecording());
  EXPECT_EQ(say("zoom in"), Calls{}) << "nothing listens";
}

TEST_F(Voice, ObjectNamesAsTheRecogniserHearsThem) {
  EXPECT_EQ(VoiceControl::objectNameOf("show info for the moon", "show info for "), "moon");
  EXPECT_EQ(VoiceControl::objectNameOf("select in 31", "select "), "m 31");
  EXPECT_EQ(VoiceControl::objectNameOf("center on him gc two two four", "center on "), "NGC 2 2 4");
  EXPECT_EQ(VoiceControl::objectNameOf("find in gc seven tin", "find "), "NGC 7 10");
  EXPECT_EQ(VoiceControl::objectNameOf("go to your anus", "go to "), "uranus");
  EXPECT_EQ(VoiceControl::objectNameOf("show the him one", "show "), "him 1") << "each correction once, in order";
  EXPECT_EQ(VoiceControl::replacePrefix("elect ", "select ", "elect vega"), "select vega");
  EXPECT_EQ(VoiceControl::replacePrefix("elect ", "select ", "select vega"), "select vega");
  EXPECT_EQ(VoiceControl::replacePrefix("x", "y", ""), "");
}

TEST_F(Voice, ObjectCommandsSelectCentreOrOpenTheOneObjectFound) {
  EXPECT_TRUE(voice_->interpretSkyObjectCommands({"Show info for the Moon"}));
  EXPECT_EQ(voice_->deferredCommand(), "show info for ");
  ASSERT_EQ(screen_->selected.size(), 1u);
  EXPECT_STREQ(screen_->selected[0].name, "Moon");
  EXPECT_EQ(screen_->calls, (Calls{"selectObject:", "showStatusObjectInfo", "info"}));

  screen_->calls.clear();
  EXPECT_TRUE(voice_->interpretSkyObjectCommands({"central vega"}));
  EXPECT_EQ(voice_->deferredCommand(), "center ");
  EXPECT_EQ(screen_->calls, (Calls{"selectObject:", "showStatusObjectInfo", "center"}));

  screen_->calls.clear();
  EXPECT_TRUE(voice_->interpretSkyObjectCommands({"elect vega"}));
  EXPECT_EQ(screen_->calls, (Calls{"selectObject:", "showStatusObjectInfo"}));

  screen_->calls.clear();
  EXPECT_TRUE(voice_->interpretSkyObjectCommands({"go to vega"}));
  EXPECT_EQ(voice_->numObjects(), 1);
  EXPECT_EQ(screen_->calls, Calls{}) << "the search alone";
}

TEST_F(Voice, ANameNotFoundTriesTheNextTranscriptionNotTheNextPrefix) {
  // "center on " takes "altair", which is not there; "center " would have
  // taken "on altair", which is.
  EXPECT_FALSE(voice_->interpretSkyObjectCommands({"center on altair"}));
  EXPECT_EQ(voice_->numObjects(), 0);
  EXPECT_TRUE(voice_->interpretSkyObjectCommands({"center on altair", "select vega", "select moon"}));
  ASSERT_EQ(screen_->selected.size(), 1u);
  EXPECT_STREQ(screen_->selected[0].name, "Vega");
  EXPECT_FALSE(voice_->interpretSkyObjectCommands({"sky view", "hello vega"})) << "no command prefix";
}

TEST_F(Voice, WithoutABufferOfItsOwnTheListScreensArrayTakesTheResults) {
  VoiceControl voice;
  ASSERT_EQ(voice.searchFor("  vega "), 1);
  EXPECT_STREQ(ListMgr::getSkyObjectIDs()[0].name, "Vega");
}

TEST_F(Voice, SeveralMatchesGoToTheResultsScreen) {
  std::vector<std::string> shown;
  VoiceControl::setSearchResultsPresenter([&](ChartViewController& controller, std::span<const SkyObjectID> ids) {
    EXPECT_EQ(&controller, screen_.get());
    for (const SkyObjectID& id : ids) shown.push_back(id.name);
  });
  EXPECT_TRUE(voice_->interpretSkyObjectCommands({"find twin"}));
  EXPECT_EQ(voice_->numObjects(), 2);
  EXPECT_EQ(voice_->deferredCommand(), "find ");
  // In the search screen's order: numbered objects first.
  EXPECT_EQ(shown, (std::vector<std::string>{"Twin", "TWIN"}));
  EXPECT_TRUE(screen_->selected.empty());
  voice_->handleSingleSkyObjectID();  // acts on the first of them
  EXPECT_EQ(screen_->selected.size(), 1u);
}

}  // namespace
