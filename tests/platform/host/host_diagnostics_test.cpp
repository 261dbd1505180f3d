// What a terminal sees when the program ends on a fatal signal: one line
// naming what happened, then the process ends as the signal would have
// ended it (so a core file and the shell's report still follow).
#include "platform/host/diagnostics.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <string>

namespace {

struct Ending {
  std::string printed;
  int signal = 0;
};

// A child that installs the report and is ended by `signal`.
Ending endBy(int signal) {
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) return {};
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(pipeEnds[1], STDERR_FILENO);
    ::close(pipeEnds[0]);
    host::reportFatalSignals();
    std::raise(signal);
    ::_exit(0);  // not reached
  }
  ::close(pipeEnds[1]);
  Ending ending;
  char buffer[256];
  for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;) ending.printed.append(buffer, std::size_t(n));
  ::close(pipeEnds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (WIFSIGNALED(status)) ending.signal = WTERMSIG(status);
  return ending;
}

TEST(HostDiagnostics, AFatalSignalPrintsOneLineAndStillEndsTheProcess) {
  for (int signal : {SIGSEGV, SIGABRT, SIGFPE, SIGBUS, SIGILL}) {
    SCOPED_TRACE(signal);
    const Ending ending = endBy(signal);
    EXPECT_EQ(ending.signal, signal);
    EXPECT_EQ(ending.printed, host::fatalSignalLine(signal));
    EXPECT_EQ(std::count(ending.printed.begin(), ending.printed.end(), '\n'), 1);
  }
  EXPECT_NE(std::string(host::fatalSignalLine(SIGSEGV)).find("SIGSEGV"), std::string::npos);
  EXPECT_STREQ(host::fatalSignalLine(SIGTERM), "") << "an ordinary stop is not a crash";
}

TEST(HostDiagnostics, TracingIsOnForAnyValueButEmptyAndZero) {
  unsetenv("TESSALY_TRACE");
  EXPECT_FALSE(host::tracing());
  for (const char* off : {"", "0"}) {
    setenv("TESSALY_TRACE", off, 1);
    EXPECT_FALSE(host::tracing()) << '"' << off << '"';
  }
  for (const char* on : {"1", "yes"}) {
    setenv("TESSALY_TRACE", on, 1);
    EXPECT_TRUE(host::tracing()) << on;
  }
  unsetenv("TESSALY_TRACE");
}

}  // namespace
