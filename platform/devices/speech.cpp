#include "platform/devices/speech.h"

#include <chrono>
#include <sstream>

#include "platform/foundation/run_loop.h"

namespace dev {
namespace {
std::weak_ptr<RecognitionTask>& runningTask() {
  static std::weak_ptr<RecognitionTask> task;
  return task;
}
}  // namespace

AudioEngine::~AudioEngine() { stop(); }

void AudioEngine::installTap(std::size_t bufferSize, std::function<void(const AudioBuffer&)> tap) {
  bufferSize_ = bufferSize > 0 && bufferSize <= 1u << 16 ? bufferSize : 1024;
  tap_ = std::move(tap);
}

void AudioEngine::removeTap() {
  stop();
  tap_ = nullptr;
}

bool AudioEngine::start(std::string* error) {
  if (running_) return true;
  if (!isAuthorized(authorizationStatus(Service::microphone)) &&
      authorizationStatus(Service::microphone) != AuthorizationStatus::notDetermined) {
    if (error) *error = "the microphone is not authorised";
    return false;
  }
  running_ = true;
  thread_ = std::thread([this] {
    AudioBuffer silence;
    silence.samples.assign(bufferSize_, 0.0f);
    const auto period = std::chrono::microseconds(bufferSize_ * 1000000 / 44100);
    auto next = std::chrono::steady_clock::now();
    while (running_) {
      if (tap_) tap_(silence);
      next += period;
      std::this_thread::sleep_until(next);
    }
  });
  return true;
}

void AudioEngine::stop() {
  running_ = false;
  if (thread_.joinable()) thread_.join();
}

std::shared_ptr<RecognitionTask> SpeechRecognizer::recognitionTask(Handler handler) {
  auto fail = [&](const char* why) {
    if (handler) ns::RunLoop::main().performOnLoop([handler, why] { handler(nullptr, why); });
    return nullptr;
  };
  if (!isAvailable()) return fail("the recogniser is not available");
  if (!isAuthorized(authorizationStatus())) return fail("speech recognition is not authorised");
  auto task = std::make_shared<RecognitionTask>();
  task->handler_ = std::move(handler);
  runningTask() = task;
  return task;
}

void RecognitionTask::cancel() {
  cancelled_ = true;
  if (runningTask().lock().get() == this) runningTask().reset();
}

void SpeechRecognizer::hear(const std::string& phrase) {
  auto task = runningTask().lock();
  if (!task || task->cancelled_ || !task->handler_) return;
  std::istringstream words(phrase);
  std::string word, sofar;
  std::vector<RecognitionResult> results;
  while (words >> word) {
    sofar += (sofar.empty() ? "" : " ") + word;
    if (task->shouldReportPartialResults) results.push_back({sofar, false});
  }
  if (sofar.empty()) return;
  if (!results.empty()) results.pop_back();
  results.push_back({sofar, true});
  std::weak_ptr<RecognitionTask> weak = task;
  for (auto& r : results)
    ns::RunLoop::main().performOnLoop([weak, r] {
      auto t = weak.lock();
      if (t && !t->cancelled_) t->handler_(&r, "");
    });
}

}  // namespace dev
