// The main run loop: timers, delayed performs and work posted from other
// threads, all run on the thread that drives the loop.
//
// Time comes from an injectable clock. The desktop runs on the system's
// steady clock; tests install a ManualClock and the loop jumps from one due
// event to the next instead of sleeping, so a ten-second animation runs in
// microseconds and always fires in the same order.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace ns {

// Monotonic seconds, with a way to wait for a moment on it.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual double now() const = 0;
  // The wall-clock time (seconds since 1970-01-01 00:00 UTC) that goes
  // with now(): what the application shows as the date.
  virtual double wallTime() const = 0;
  // Waits until `deadline` (seconds on this clock; +infinity for no limit)
  // or until `wake` is notified. `lock` holds the loop's mutex.
  virtual void waitUntil(double deadline, std::unique_lock<std::mutex>& lock,
                         std::condition_variable& wake) = 0;
};

// The steady clock of the system; waiting really sleeps.
class SystemClock final : public Clock {
 public:
  double now() const override;
  double wallTime() const override;
  void waitUntil(double deadline, std::unique_lock<std::mutex>& lock,
                 std::condition_variable& wake) override;
};

// Virtual time for tests: waiting moves the clock straight to the deadline.
// Its wall time starts at the system's and moves with it.
class ManualClock final : public Clock {
 public:
  explicit ManualClock(double start = 0.0);
  double now() const override;
  double wallTime() const override;
  // Pins the wall time of the present moment (later moments follow it).
  void setWallTime(double secondsSince1970);
  void waitUntil(double deadline, std::unique_lock<std::mutex>& lock,
                 std::condition_variable& wake) override;
  void advance(double seconds);

 private:
  mutable std::mutex mutex_;
  double now_;
  double wallOffset_;  // wall time minus now_
};

class RunLoop;

// A timer on a run loop. Repeating timers keep their phase: a late firing
// does not shift the following ones, and missed firings are not made up.
class Timer {
 public:
  using Block = std::function<void(Timer&)>;

  double timeInterval() const { return interval_; }
  bool repeats() const { return repeats_; }
  bool isValid() const;
  // Stops the timer; it never fires again. Safe inside its own block.
  void invalidate();

 private:
  friend class RunLoop;
  Timer(double interval, bool repeats, Block block, const void* target,
        std::string selector);

  double interval_;
  bool repeats_;
  Block block_;
  const void* target_;    // delayed performs only
  std::string selector_;  // delayed performs only
  double fireTime_ = 0.0;
  std::uint64_t order_ = 0;
  bool valid_ = true;
  RunLoop* loop_ = nullptr;
};

class RunLoop {
 public:
  // Timers shorter than this run at this interval, as on the original
  // platform; an interval of 0 thus means "on every pass of the loop".
  static constexpr double kMinimumInterval = 0.0001;

  explicit RunLoop(std::shared_ptr<Clock> clock = std::make_shared<SystemClock>());
  RunLoop(const RunLoop&) = delete;
  RunLoop& operator=(const RunLoop&) = delete;

  // The process's main loop; the process's first thread drives it.
  static RunLoop& main();
  // Replaces the clock (tests); pending timers keep their fire times.
  void setClock(std::shared_ptr<Clock> clock);
  double now() const;
  // The clock's wall time (seconds since 1970): the date a manual clock
  // moves along with its timers.
  double wallTime() const;

  // A timer that first fires `interval` seconds from now.
  std::shared_ptr<Timer> scheduleTimer(double interval, bool repeats, Timer::Block block);

  // Runs `work` once after `delay` seconds; (target, selector) names it for
  // cancelling. The target is only compared, never dereferenced.
  void performAfterDelay(const void* target, std::string selector, double delay,
                         std::function<void()> work);
  // Cancels every pending perform of the target, or only those of one selector.
  void cancelPreviousPerformRequests(const void* target);
  void cancelPreviousPerformRequests(const void* target, std::string_view selector);

  // Queues work from any thread; it runs on the loop's thread in the order
  // posted, before the timers of the same pass.
  void performOnLoop(std::function<void()> work);

  // One pass: posted work, then every timer and perform that is due, in
  // order of fire time (ties in scheduling order). Returns what ran.
  int runOnce();
  // Runs passes until `deadline` on the loop's clock, waiting in between.
  void runUntil(double deadline);
  // Runs for `seconds` from now.
  void runFor(double seconds) { runUntil(now() + seconds); }
  // Runs until stop() is called (from the loop or any other thread).
  void run();
  void stop();

  // Number of valid timers and performs waiting (tests, diagnostics).
  std::size_t pendingCount() const;

  // Work started on another thread that will post its report to this loop
  // (a download and its last message) takes a token before it starts and
  // hands it to the report it posts; the token is given back when the last
  // copy goes, once the report has run. A headless script's wait lasts on
  // the real clock only while a report is awaited, and jumps otherwise.
  std::shared_ptr<void> expectReport();
  bool awaitingReports() const;
  // Sleeps, whatever clock the loop runs on, until work is posted to the
  // loop, no report is awaited any more, or the real clock reaches `until`.
  void sleepWhileReportsAwaited(std::chrono::steady_clock::time_point until);

 private:
  friend class Timer;
  void add(const std::shared_ptr<Timer>& timer, double delay);
  std::shared_ptr<Timer> nextDue(double now, std::uint64_t passStart);
  double nextFireTime() const;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::shared_ptr<Clock> clock_;
  std::vector<std::shared_ptr<Timer>> timers_;
  std::deque<std::function<void()>> posted_;
  std::uint64_t nextOrder_ = 0;
  bool stopRequested_ = false;
  std::size_t reportsAwaited_ = 0;
};

// Work for the main loop from any thread, in order (never waits).
void performOnMainThread(std::function<void()> work);
// True on the process's first thread, the one that drives the main loop.
bool isMainThread();

}  // namespace ns
