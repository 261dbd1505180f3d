// Voice control for the stereo mode, where the phone sits in a viewer and
// cannot be touched: listens continuously in United States English, cuts
// the speech into phrases at half-second pauses, and turns each phrase
// into a command on the current chart screen (perspective, zoom, time).
//
// It also holds an interpreter for object commands ("select", "center on",
// "show info for" and the like, followed by an object's name) that
// searches the catalogues; listening does not use it. Several matches go
// to the search results screen through setSearchResultsPresenter.
//
// Thread rules: main thread only (recogniser answers and delayed steps
// come through the main run loop). The audio tap runs on the audio
// engine's thread and touches nothing: the stand-in recogniser hears
// typed phrases, not the microphone's buffers.
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/devices/speech.h"
#include "skydata/sky_object_id.h"

class ChartViewController;

class VoiceControl {
 public:
  // Object searches leave what they find in the list screens' shared
  // identifier array (ListMgr), or in `results` (which must outlive this
  // object).
  VoiceControl();
  explicit VoiceControl(std::span<SkyObjectID> results);
  ~VoiceControl();
  VoiceControl(const VoiceControl&) = delete;
  VoiceControl& operator=(const VoiceControl&) = delete;

  // Starts listening half a second from now, or, when the recogniser is
  // not available, says so in an alert.
  void startRecordingWithInitialSound();
  // The listening cycle: a phrase ends 0.5 s after its last partial
  // result; every final result is interpreted and listening starts again,
  // except after stopRecording; no recognition task runs longer than 45 s.
  void startRecording();
  void stopRecording();
  void resetRecording();
  void phraseFinished();
  // True exactly while the audio engine runs.
  bool isRecording() const;

  // Runs the simple commands on a phrase's transcriptions (best first).
  void interpret(const std::vector<std::string>& transcriptions);
  // The first command phrase equal to any transcription (lower-cased)
  // acts on the current chart screen; false when none matches.
  bool interpretSimpleCommands(const std::vector<std::string>& transcriptions);
  // Object commands: true when a search found objects.
  bool interpretSkyObjectCommands(const std::vector<std::string>& transcriptions);
  // Acts on the one object the last object command found.
  void handleSingleSkyObjectID();
  // Searches the catalogues for a whole name into the results buffer;
  // returns how many were found.
  int searchFor(const std::string& text);

  // The text with a leading `prefix` replaced, else the text unchanged.
  static std::string replacePrefix(std::string_view prefix, std::string_view replacement,
                                   std::string_view text);
  // The object name of an object command: the text without the command
  // prefix, spoken-name corrections and number words made digits.
  static std::string objectNameOf(std::string_view text, std::string_view prefix);

  // The command prefix of the last object command that found objects, and
  // how many the last search found.
  const std::string& deferredCommand() const { return deferredCommand_; }
  int numObjects() const { return numObjects_; }

  // Shows several search results (the search results screen, which the
  // information screens provide); without one nothing is shown.
  using SearchResultsPresenter =
      std::function<void(ChartViewController& controller, std::span<const SkyObjectID> results)>;
  static void setSearchResultsPresenter(SearchResultsPresenter presenter);

  // What the recogniser reports.
  void didHypothesizeTranscription(const std::string& text);
  void didFinishRecognition(const std::vector<std::string>& transcriptions);
  void recognitionTaskWasCancelled();
  void recognizerAvailabilityDidChange(bool available);

 private:
  // Runs a step of the cycle after `delay` seconds on the main run loop,
  // named for cancelling.
  void later(const char* step, double delay, void (VoiceControl::*action)());
  void cancelPendingSteps();
  void endAudio();
  void heard(const dev::RecognitionResult* result, const std::string& error);

  std::span<SkyObjectID> results_;
  dev::SpeechRecognizer recognizer_{"en-US"};
  dev::AudioEngine audioEngine_;
  std::shared_ptr<dev::RecognitionTask> recognitionTask_;
  std::string deferredCommand_;
  int numObjects_ = 0;
  bool stopOnFinal_ = false;
  // Delayed steps and recogniser answers are cut off when this dies.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
