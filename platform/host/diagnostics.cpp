#include "platform/host/diagnostics.h"

#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>

namespace host {
namespace {

struct Fatal {
  int signal;
  const char* line;
};

// Whole lines made in advance: a signal handler may only write().
constexpr Fatal kFatal[] = {
    {SIGSEGV, "Tessaly crashed: invalid memory access (SIGSEGV)\n"},
    {SIGBUS, "Tessaly crashed: bad memory access (SIGBUS)\n"},
    {SIGFPE, "Tessaly crashed: arithmetic fault (SIGFPE)\n"},
    {SIGILL, "Tessaly crashed: illegal instruction (SIGILL)\n"},
    {SIGABRT, "Tessaly stopped: an internal check failed (SIGABRT)\n"},
};

void report(int signal) {
  const char* line = fatalSignalLine(signal);
  if (*line != '\0') {
    const ssize_t ignored = ::write(STDERR_FILENO, line, std::strlen(line));
    (void)ignored;
  }
  // The default action ends the process as the signal would have.
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

}  // namespace

bool tracing() {
  const char* value = std::getenv("TESSALY_TRACE");
  return value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0;
}

const char* fatalSignalLine(int signal) {
  for (const Fatal& fatal : kFatal)
    if (fatal.signal == signal) return fatal.line;
  return "";
}

void reportFatalSignals() {
  for (const Fatal& fatal : kFatal) {
    struct sigaction action {};
    action.sa_handler = report;
    sigemptyset(&action.sa_mask);
    // Once: a fault inside the report ends the process at once.
    action.sa_flags = SA_RESETHAND | SA_NODEFER;
    sigaction(fatal.signal, &action, nullptr);
  }
}

}  // namespace host
