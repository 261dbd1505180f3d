// Speech recognition: an "en-US" recogniser, authorisation, an audio
// engine whose input tap is fed silence, and phrases typed in the host (or
// given by a script or test) reported word by word as partial results and
// then as the final result, on the main run loop.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/devices/authorization.h"

namespace dev {

struct AudioBuffer {
  std::vector<float> samples;  // mono, 44100 per second
};

class AudioEngine {
 public:
  ~AudioEngine();
  // The tap is called on the engine's own thread with buffers of silence.
  void installTap(std::size_t bufferSize, std::function<void(const AudioBuffer&)> tap);
  void removeTap();
  bool start(std::string* error = nullptr);
  void stop();
  bool isRunning() const { return running_; }

 private:
  std::function<void(const AudioBuffer&)> tap_;
  std::size_t bufferSize_ = 1024;
  std::atomic<bool> running_{false};
  std::thread thread_;
};

struct RecognitionResult {
  std::string text;
  bool isFinal = false;
};

class RecognitionTask;

class SpeechRecognizer {
 public:
  explicit SpeechRecognizer(std::string locale = "en-US") : locale_(std::move(locale)) {}
  const std::string& locale() const { return locale_; }
  bool isAvailable() const { return locale_ == "en-US"; }
  static AuthorizationStatus authorizationStatus() { return dev::authorizationStatus(Service::speech); }
  static void requestAuthorization(std::function<void(AuthorizationStatus)> completion) {
    dev::requestAuthorization(Service::speech, std::move(completion));
  }
  using Handler = std::function<void(const RecognitionResult*, const std::string& error)>;
  // Null when not available or not authorised (the handler hears why).
  std::shared_ptr<RecognitionTask> recognitionTask(Handler handler);
  // A phrase heard by the running task (the host's prompt, scripts, tests).
  static void hear(const std::string& phrase);

 private:
  std::string locale_;
};

class RecognitionTask : public std::enable_shared_from_this<RecognitionTask> {
 public:
  void cancel();
  void finish() { cancel(); }
  bool isCancelled() const { return cancelled_; }
  bool shouldReportPartialResults = true;

 private:
  friend class SpeechRecognizer;
  SpeechRecognizer::Handler handler_;
  bool cancelled_ = false;
};

}  // namespace dev
