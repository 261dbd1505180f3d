// Calls its callback once per display refresh on its own thread while it
// runs and is not paused. Hosts without a display (tests) call step().
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace ca {

class DisplayLink {
 public:
  using Callback = std::function<void(DisplayLink&)>;

  explicit DisplayLink(Callback callback);
  ~DisplayLink();
  DisplayLink(const DisplayLink&) = delete;
  DisplayLink& operator=(const DisplayLink&) = delete;

  // Starts the refresh thread; nothing happens after invalidate().
  void start();
  // Stops for good; the callback is not called again once this returns
  // (unless called from the callback itself, which then returns last).
  void invalidate();

  // False once invalidated.
  bool isValid() const;
  bool isPaused() const;
  void setPaused(bool paused);
  int preferredFramesPerSecond() const;
  // 0 selects the display's rate (60 Hz).
  void setPreferredFramesPerSecond(int framesPerSecond);

  // Seconds on the steady clock of the last and the next refresh, and the
  // refresh interval.
  double timestamp() const;
  double targetTimestamp() const;
  double duration() const;

  // One refresh at the given time, on the calling thread.
  void step(double timestamp);

 private:
  void run();
  double interval() const;

  Callback callback_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool paused_ = false;
  bool invalidated_ = false;
  int preferredFramesPerSecond_ = 0;
  double timestamp_ = 0;
  std::thread thread_;
};

}  // namespace ca
