#include "app/voice_control.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>

#include "platform/devices/audio_session.h"
#include "platform/foundation/run_loop.h"
#include "skydata/application_database.h"
#include "skydata/search_filter.h"
#include "skydata/sky_database.h"
#include "chart/sky_chart.h"
#include "platform/uikit/controls.h"
#include "ui/foundation/shell.h"
#include "ui/foundation/utility.h"
#include "ui/info/list_manager.h"

namespace {

constexpr double kPhrasePause = 0.5;        // seconds after the last partial result
constexpr double kStartDelay = 0.5;         // seconds from the request to listening
constexpr double kLongestRecognition = 45;  // seconds before a task is restarted
constexpr std::size_t kTapBufferFrames = 2048;

constexpr const char* kStartRecording = "startRecording";
constexpr const char* kResetRecording = "resetRecording";
constexpr const char* kStopRecording = "stopRecording";
constexpr const char* kPhraseFinished = "phraseFinished";

VoiceControl::SearchResultsPresenter& searchResultsPresenter() {
  static VoiceControl::SearchResultsPresenter presenter;
  return presenter;
}

std::string lowercase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

void replaceAll(std::string& text, std::string_view what, std::string_view with) {
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
    text.replace(at, what.size(), with);
}

void press(ui::Button* button) {
  if (button != nullptr) button->sendActionsForControlEvents(ui::kControlEventTouchUpInside);
}

struct SimpleCommand {
  std::vector<std::string_view> phrases;
  void (*act)(ChartViewController&);
};

// The spoken commands of the stereo mode, with the ways the recogniser is
// known to hear them.
const std::array<SimpleCommand, 10>& simpleCommands() {
  static const std::array<SimpleCommand, 10> commands = {{
      {{"sky view", "skyview"}, [](ChartViewController& c) { press(c.perspectiveButton(1)); }},
      {{"orbit view", "orbit of you"}, [](ChartViewController& c) { press(c.perspectiveButton(2)); }},
      {{"satellite view", "satellite of you", "satellite you"},
       [](ChartViewController& c) { press(c.perspectiveButton(3)); }},
      {{"zoom in", "zoomin"}, [](ChartViewController& c) { if (c.chartView()) c.chartView()->zoomIn(); }},
      {{"zoom out", "zoomer"}, [](ChartViewController& c) { if (c.chartView()) c.chartView()->zoomOut(); }},
      {{"stop", "stop stop"}, [](ChartViewController& c) { if (c.chartView()) c.chartView()->zoomStop(); }},
      {{"time forward", "time for award", "time for a word"}, [](ChartViewController& c) { c.timeForward(); }},
      {{"time backward", "time backwards"}, [](ChartViewController& c) { c.timeBackward(); }},
      {{"time stop", "time to stop", "times stop", "timestamp"}, [](ChartViewController& c) { c.timeStop(); }},
      {{"time now", "now", "now now"}, [](ChartViewController& c) { c.timeNow(); }},
  }};
  return commands;
}

// Object command prefixes, in the order they are tried.
constexpr std::array<std::string_view, 17> kObjectCommandPrefixes = {
    "center on ", "center ", "find information for ", "find info for ", "find ", "select ", "go to ",
    "orbit ", "search for ", "search ", "show information for ", "show info for ", "show info ",
    "show me information for ", "show me info for ", "show me info ", "show "};

// Prefixes after which the one object found opens its information screen.
constexpr std::array<std::string_view, 12> kShowInfoPrefixes = {
    "show information for ", "show info for ", "show info ", "show me information for ", "show me info for ",
    "show me info ", "show ", "find information for ", "find info for ", "find ", "search for ", "search "};

}  // namespace

VoiceControl::VoiceControl()
    : VoiceControl(std::span(ListMgr::getSkyObjectIDs(), static_cast<std::size_t>(ListMgr::getMaxSkyObjectIDs()))) {}

VoiceControl::VoiceControl(std::span<SkyObjectID> results) : results_(results) {
  std::fprintf(stderr, "Speech recognizer available:%s\n", recognizer_.isAvailable() ? "YES" : "NO");
  if (dev::SpeechRecognizer::authorizationStatus() != dev::AuthorizationStatus::notDetermined) return;
  dev::SpeechRecognizer::requestAuthorization([](dev::AuthorizationStatus status) {
    switch (status) {
      case dev::AuthorizationStatus::denied: std::fprintf(stderr, "SFSpeechRecognizerAuthorizationStatusDenied\n"); return;
      case dev::AuthorizationStatus::restricted: std::fprintf(stderr, "SFSpeechRecognizerAuthorizationStatusRestricted\n"); return;
      case dev::AuthorizationStatus::authorizedAlways:
      case dev::AuthorizationStatus::authorizedWhenInUse: break;
      default: std::fprintf(stderr, "Default\n"); return;
    }
    std::fprintf(stderr, "Speech Recognition Authorized\n");
    if (dev::authorizationStatus(dev::Service::microphone) == dev::AuthorizationStatus::notDetermined)
      dev::requestAuthorization(dev::Service::microphone, [](dev::AuthorizationStatus microphone) {
        std::fprintf(stderr, dev::isAuthorized(microphone) ? "Microphone Authorized\n" : "Microphone Denied\n");
      });
  });
}

VoiceControl::~VoiceControl() {
  *alive_ = false;
  cancelPendingSteps();
  endAudio();
  if (recognitionTask_) recognitionTask_->cancel();
}

void VoiceControl::setSearchResultsPresenter(SearchResultsPresenter presenter) {
  searchResultsPresenter() = std::move(presenter);
}

// ---- The listening cycle ----

void VoiceControl::later(const char* step, double delay, void (VoiceControl::*action)()) {
  std::shared_ptr<bool> alive = alive_;
  ns::RunLoop::main().performAfterDelay(this, step, delay, [this, alive, action] {
    if (*alive) (this->*action)();
  });
}

void VoiceControl::cancelPendingSteps() {
  ns::RunLoop& loop = ns::RunLoop::main();
  for (const char* step : {kResetRecording, kStartRecording, kStopRecording, kPhraseFinished})
    loop.cancelPreviousPerformRequests(this, step);
}

void VoiceControl::startRecordingWithInitialSound() {
  if (!recognizer_.isAvailable()) {
    Utility::showAlertWithTitle(
        "Voice Control",
        "Voice Control is not currently available.\n\n1. Check your iOS Privacy > Microphone settings.\n\n"
        "2. Make sure \"Enable Dictation\" is ON in the iOS Keyboard settings.\n\n"
        "3. Some older devices may not have voice control when offline.");
    return;
  }
  ns::RunLoop::main().cancelPreviousPerformRequests(this, kStartRecording);
  later(kStartRecording, kStartDelay, &VoiceControl::startRecording);
}

void VoiceControl::startRecording() {
  stopOnFinal_ = false;
  cancelPendingSteps();
  if (recognitionTask_) recognitionTask_->cancel();
  recognitionTask_.reset();
  endAudio();

  dev::AudioSession& session = dev::AudioSession::shared();
  std::string error;
  bool audioOk = session.setCategory(dev::AudioCategory::playAndRecord, &error) &&
                 session.setActive(true, true, &error);
  std::shared_ptr<bool> alive = alive_;
  recognitionTask_ = recognizer_.recognitionTask([this, alive](const dev::RecognitionResult* result,
                                                               const std::string& why) {
    if (*alive) heard(result, why);
  });
  if (!recognitionTask_) std::fprintf(stderr, "Unable to created a SFSpeechAudioBufferRecognitionRequest object\n");
  else recognitionTask_->shouldReportPartialResults = true;
  audioEngine_.installTap(kTapBufferFrames, [](const dev::AudioBuffer&) {});
  audioOk = audioOk && audioEngine_.start(&error);
  if (audioOk) {
    later(kResetRecording, kLongestRecognition, &VoiceControl::resetRecording);
    return;
  }
  // No audio reaches a task that is left running: it goes too, and the
  // cycle waits to be started again.
  std::fprintf(stderr, "Error %s\n", error.c_str());
  if (recognitionTask_) recognitionTask_->cancel();
  recognitionTask_.reset();
}

void VoiceControl::heard(const dev::RecognitionResult* result, const std::string& error) {
  if (result == nullptr) {
    std::fprintf(stderr, "Error %s\n", error.c_str());
    return;
  }
  if (result->isFinal) didFinishRecognition({result->text});
  else didHypothesizeTranscription(result->text);
}

void VoiceControl::didHypothesizeTranscription(const std::string&) {
  if (!audioEngine_.isRunning()) return;
  ns::RunLoop::main().cancelPreviousPerformRequests(this, kPhraseFinished);
  later(kPhraseFinished, kPhrasePause, &VoiceControl::phraseFinished);
}

void VoiceControl::phraseFinished() {
  // The recogniser answers with the final result once the audio ends.
  endAudio();
}

void VoiceControl::didFinishRecognition(const std::vector<std::string>& transcriptions) {
  for (const std::string& text : transcriptions) std::fprintf(stderr, "Translated string: %s\n", text.c_str());
  interpret(transcriptions);
  ns::RunLoop::main().cancelPreviousPerformRequests(this, kPhraseFinished);
  if (stopOnFinal_) {
    std::fprintf(stderr, "Really stopping\n");
    return;
  }
  startRecording();
}

void VoiceControl::recognitionTaskWasCancelled() { std::fprintf(stderr, "speechRecognitionTaskWasCancelled:\n"); }

void VoiceControl::recognizerAvailabilityDidChange(bool available) {
  if (!available && isRecording()) stopRecording();
}

void VoiceControl::resetRecording() {
  std::fprintf(stderr, "resetRecording\n");
  stopRecording();
  startRecording();
}

void VoiceControl::stopRecording() {
  stopOnFinal_ = true;
  cancelPendingSteps();
  endAudio();
  dev::AudioSession& session = dev::AudioSession::shared();
  session.setCategory(dev::AudioCategory::ambient);
  session.setActive(true);
}

void VoiceControl::endAudio() {
  if (!audioEngine_.isRunning()) return;
  audioEngine_.stop();
  audioEngine_.removeTap();
}

bool VoiceControl::isRecording() const { return audioEngine_.isRunning(); }

// ---- Commands ----

void VoiceControl::interpret(const std::vector<std::string>& transcriptions) {
  if (interpretSimpleCommands(transcriptions)) std::fprintf(stderr, "Processed simple command\n");
}

bool VoiceControl::interpretSimpleCommands(const std::vector<std::string>& transcriptions) {
  ChartViewController* controller = ChartViewController::currentController();
  if (controller == nullptr) return false;
  for (const std::string& transcription : transcriptions) {
    const std::string text = lowercase(transcription);
    for (const SimpleCommand& command : simpleCommands()) {
      if (std::find(command.phrases.begin(), command.phrases.end(), text) == command.phrases.end()) continue;
      command.act(*controller);
      return true;
    }
  }
  return false;
}

std::string VoiceControl::replacePrefix(std::string_view prefix, std::string_view replacement, std::string_view text) {
  if (!text.starts_with(prefix)) return std::string(text);
  return std::string(replacement) + std::string(text.substr(prefix.size()));
}

std::string VoiceControl::objectNameOf(std::string_view text, std::string_view prefix) {
  std::string name(text);
  if (!prefix.empty()) replaceAll(name, prefix, "");
  // How the recogniser hears catalogue names ("him gc" for NGC, "in" for M).
  static constexpr std::pair<std::string_view, std::string_view> kCorrections[] = {
      {"him gc ", "NGC "}, {"him ", "m "},           {"in gc ", "NGC "},         {"in ", "m "},
      {"the ", ""},        {"your in us", "uranus"}, {"your anus", "uranus"}};
  for (const auto& [heard, meant] : kCorrections) name = replacePrefix(heard, meant, name);
  static constexpr std::pair<std::string_view, std::string_view> kNumbers[] = {
      {" one", " 1"}, {" two", " 2"},   {" three", " 3"}, {" four", " 4"}, {" five", " 5"},
      {" six", " 6"}, {" seven", " 7"}, {" eight", " 8"}, {" nine", " 9"}, {" tin", " 10"}};
  for (const auto& [word, digits] : kNumbers) replaceAll(name, word, digits);
  return name;
}

bool VoiceControl::interpretSkyObjectCommands(const std::vector<std::string>& transcriptions) {
  numObjects_ = 0;
  for (const std::string& transcription : transcriptions) {
    std::string text = lowercase(transcription);
    text = replacePrefix("central ", "center ", text);
    text = replacePrefix("elect ", "select ", text);
    auto prefix = std::find_if(kObjectCommandPrefixes.begin(), kObjectCommandPrefixes.end(),
                               [&](std::string_view p) { return text.starts_with(p); });
    if (prefix == kObjectCommandPrefixes.end()) continue;
    const int found = searchFor(objectNameOf(text, *prefix));
    if (found == 0) continue;  // the next transcription, not the next prefix
    deferredCommand_ = std::string(*prefix);
    if (found == 1) {
      handleSingleSkyObjectID();
    } else if (ChartViewController* controller = ChartViewController::currentController();
               controller != nullptr && searchResultsPresenter()) {
      searchResultsPresenter()(*controller, results_.first(static_cast<std::size_t>(found)));
    }
    return true;
  }
  return numObjects_ > 0;
}

void VoiceControl::handleSingleSkyObjectID() {
  ChartViewController* controller = ChartViewController::currentController();
  if (numObjects_ == 0 || controller == nullptr || results_.empty()) return;
  const SkyObjectID& object = results_[0];
  const bool showInfo = std::find(kShowInfoPrefixes.begin(), kShowInfoPrefixes.end(), deferredCommand_) !=
                        kShowInfoPrefixes.end();
  const bool center = deferredCommand_ == "center on " || deferredCommand_ == "center ";
  // "go to " and "orbit ": the search alone.
  if (!showInfo && !center && !deferredCommand_.starts_with("select ")) return;
  controller->selectObject(object);
  controller->showStatusObjectInfo();
  if (showInfo) press(controller->infoButton());
  if (center) press(controller->centerButton());
}

int VoiceControl::searchFor(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n"), last = text.find_last_not_of(" \t\r\n");
  const std::string name = first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
  numObjects_ = 0;
  CSkyDatabase* database = applicationSkyDatabase();
  if (database == nullptr || results_.empty()) return 0;
  database->searchFilter = SearchFilter();
  database->setAllowDuplicates(false);
  database->setExactMatch(true);
  std::vector<SkyObjectID> found;
  const int n = database->findObjects(name.c_str(), found, static_cast<int>(results_.size()));
  numObjects_ = std::clamp(n, 0, static_cast<int>(std::min(found.size(), results_.size())));
  std::copy_n(found.begin(), numObjects_, results_.begin());
  ChartViewController* controller = ChartViewController::currentController();
  if (numObjects_ >= 1 && controller != nullptr && controller->pSkyChart() != nullptr)
    database->sortSearchResults(controller->pSkyChart(), results_.data(), numObjects_, kSortNumberedFirst);
  return numObjects_;
}
