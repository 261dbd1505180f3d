// The client's waits: a time-out of silence that each received byte
// restarts, within an overall deadline of four time-outs, on the
// monotonic clock (a change of the wall clock moves neither).
#pragma once

class HttpDeadline {
 public:
  explicit HttpDeadline(double timeoutSeconds);
  // A byte arrived: the silence starts again.
  void heard();
  // Milliseconds left before either limit, 0 when one has passed.
  int remainingMilliseconds() const;
  bool expired() const { return remainingMilliseconds() == 0; }

 private:
  double timeoutMs_;
  double lastHeardMs_;
  double endMs_;
};

// Milliseconds of the monotonic clock.
double monotonicMilliseconds();
// Waits until the socket has something to read (data or the peer's
// close) or the deadline passes; false when it passed or the wait failed.
bool waitReadable(int socket, const HttpDeadline& deadline);
