#include "platform/foundation/run_loop.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <thread>

namespace ns {
namespace {

constexpr double kForever = std::numeric_limits<double>::infinity();

// Static initialisation runs on the process's first thread, which is the
// thread that later drives the main loop.
const std::thread::id gMainThread = std::this_thread::get_id();

}  // namespace

double SystemClock::now() const {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void SystemClock::waitUntil(double deadline, std::unique_lock<std::mutex>& lock,
                            std::condition_variable& wake) {
  using namespace std::chrono;
  if (!std::isfinite(deadline)) {
    wake.wait(lock);
    return;
  }
  double remaining = deadline - now();
  if (remaining <= 0.0) return;
  wake.wait_for(lock, duration<double>(remaining));
}

double SystemClock::wallTime() const {
  using namespace std::chrono;
  return duration<double>(system_clock::now().time_since_epoch()).count();
}

ManualClock::ManualClock(double start) : now_(start), wallOffset_(SystemClock().wallTime() - start) {}

double ManualClock::wallTime() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return now_ + wallOffset_;
}

void ManualClock::setWallTime(double secondsSince1970) {
  std::lock_guard<std::mutex> guard(mutex_);
  wallOffset_ = secondsSince1970 - now_;
}

double ManualClock::now() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return now_;
}

void ManualClock::waitUntil(double deadline, std::unique_lock<std::mutex>& lock,
                            std::condition_variable& wake) {
  if (!std::isfinite(deadline)) {
    // Nothing is scheduled: only work posted from another thread can come.
    wake.wait(lock);
    return;
  }
  std::lock_guard<std::mutex> guard(mutex_);
  now_ = std::max(now_, deadline);
}

void ManualClock::advance(double seconds) {
  std::lock_guard<std::mutex> guard(mutex_);
  now_ += seconds;
}

Timer::Timer(double interval, bool repeats, Block block, const void* target,
             std::string selector)
    : interval_(std::max(interval, RunLoop::kMinimumInterval)),
      repeats_(repeats),
      block_(std::move(block)),
      target_(target),
      selector_(std::move(selector)) {}

bool Timer::isValid() const {
  std::lock_guard<std::mutex> guard(loop_->mutex_);
  return valid_;
}

void Timer::invalidate() {
  std::lock_guard<std::mutex> guard(loop_->mutex_);
  valid_ = false;
}

RunLoop::RunLoop(std::shared_ptr<Clock> clock) : clock_(std::move(clock)) {}

RunLoop& RunLoop::main() {
  static RunLoop loop;
  return loop;
}

void RunLoop::setClock(std::shared_ptr<Clock> clock) {
  std::lock_guard<std::mutex> guard(mutex_);
  clock_ = std::move(clock);
}

double RunLoop::now() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return clock_->now();
}

double RunLoop::wallTime() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return clock_->wallTime();
}

void RunLoop::add(const std::shared_ptr<Timer>& timer, double delay) {
  std::lock_guard<std::mutex> guard(mutex_);
  timer->loop_ = this;
  timer->fireTime_ = clock_->now() + std::max(delay, 0.0);
  timer->order_ = nextOrder_++;
  timers_.push_back(timer);
  wake_.notify_all();
}

std::shared_ptr<Timer> RunLoop::scheduleTimer(double interval, bool repeats, Timer::Block block) {
  std::shared_ptr<Timer> timer(new Timer(interval, repeats, std::move(block), nullptr, {}));
  add(timer, timer->interval_);
  return timer;
}

void RunLoop::performAfterDelay(const void* target, std::string selector, double delay,
                                std::function<void()> work) {
  std::shared_ptr<Timer> timer(new Timer(
      delay, false, [work = std::move(work)](Timer&) { work(); }, target, std::move(selector)));
  add(timer, delay);
}

void RunLoop::cancelPreviousPerformRequests(const void* target) {
  std::lock_guard<std::mutex> guard(mutex_);
  for (auto& timer : timers_)
    if (timer->target_ == target && !timer->selector_.empty()) timer->valid_ = false;
}

void RunLoop::cancelPreviousPerformRequests(const void* target, std::string_view selector) {
  std::lock_guard<std::mutex> guard(mutex_);
  for (auto& timer : timers_)
    if (timer->target_ == target && !timer->selector_.empty() && timer->selector_ == selector)
      timer->valid_ = false;
}

void RunLoop::performOnLoop(std::function<void()> work) {
  std::lock_guard<std::mutex> guard(mutex_);
  posted_.push_back(std::move(work));
  wake_.notify_all();
}

// Picks the earliest due timer scheduled before this pass began and moves it
// on (repeating) or retires it (one-shot) before it runs, so its block may
// invalidate it or schedule new timers freely.
std::shared_ptr<Timer> RunLoop::nextDue(double now, std::uint64_t passStart) {
  std::lock_guard<std::mutex> guard(mutex_);
  std::shared_ptr<Timer> best;
  for (auto& timer : timers_) {
    if (!timer->valid_ || timer->order_ >= passStart || timer->fireTime_ > now) continue;
    if (!best || timer->fireTime_ < best->fireTime_ ||
        (timer->fireTime_ == best->fireTime_ && timer->order_ < best->order_))
      best = timer;
  }
  if (!best) return nullptr;
  if (best->repeats_) {
    double next = best->fireTime_ + best->interval_;
    if (next <= now)
      next = best->fireTime_ + best->interval_ * (std::floor((now - best->fireTime_) / best->interval_) + 1.0);
    if (next <= now) next += best->interval_;  // rounding of the line above
    best->fireTime_ = next;
  } else {
    best->valid_ = false;
  }
  return best;
}

int RunLoop::runOnce() {
  std::deque<std::function<void()>> posted;
  double now;
  std::uint64_t passStart;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    posted.swap(posted_);
    now = clock_->now();
    passStart = nextOrder_;
  }
  int ran = 0;
  for (auto& work : posted) {
    work();
    ++ran;
  }
  while (auto timer = nextDue(now, passStart)) {
    timer->block_(*timer);
    ++ran;
  }
  std::lock_guard<std::mutex> guard(mutex_);
  std::erase_if(timers_, [](const std::shared_ptr<Timer>& t) { return !t->valid_; });
  return ran;
}

double RunLoop::nextFireTime() const {
  double next = kForever;
  for (auto& timer : timers_)
    if (timer->valid_) next = std::min(next, timer->fireTime_);
  return next;
}

void RunLoop::runUntil(double deadline) {
  for (;;) {
    runOnce();
    std::unique_lock<std::mutex> lock(mutex_);
    if (stopRequested_) {
      stopRequested_ = false;
      return;
    }
    if (!posted_.empty()) continue;
    if (clock_->now() >= deadline) return;
    double target = std::min(nextFireTime(), deadline);
    if (target > clock_->now()) clock_->waitUntil(target, lock, wake_);
  }
}

void RunLoop::run() { runUntil(kForever); }

void RunLoop::stop() {
  std::lock_guard<std::mutex> guard(mutex_);
  stopRequested_ = true;
  wake_.notify_all();
}

std::size_t RunLoop::pendingCount() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return static_cast<std::size_t>(
      std::count_if(timers_.begin(), timers_.end(), [](auto& t) { return t->valid_; }));
}

std::shared_ptr<void> RunLoop::expectReport() {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    ++reportsAwaited_;
  }
  // The token owns nothing: its deleter only counts the report as come.
  return std::shared_ptr<void>(this, [](RunLoop* loop) {
    std::lock_guard<std::mutex> guard(loop->mutex_);
    --loop->reportsAwaited_;
    loop->wake_.notify_all();
  });
}

bool RunLoop::awaitingReports() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return reportsAwaited_ > 0;
}

void RunLoop::sleepWhileReportsAwaited(std::chrono::steady_clock::time_point until) {
  std::unique_lock<std::mutex> lock(mutex_);
  wake_.wait_until(lock, until, [this] { return !posted_.empty() || reportsAwaited_ == 0; });
}

void performOnMainThread(std::function<void()> work) { RunLoop::main().performOnLoop(std::move(work)); }

bool isMainThread() { return gMainThread == std::this_thread::get_id(); }

}  // namespace ns
