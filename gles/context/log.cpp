#include "gles/context/log.h"

#include <cstdio>
#include <string>

std::atomic<bool> mglLoggingEnabled{true};

void mglLog(const char* tag, std::string_view format, std::initializer_list<MGLFormatArg> args) {
  if (!mglLoggingEnabled.load(std::memory_order_relaxed)) return;
  const std::string message = mglFormat(format, args);
  std::printf("[%s] %s\n", tag, message.c_str());
  std::fflush(stdout);
}

void mglLogError(std::string_view format, std::initializer_list<MGLFormatArg> args) {
  mglLog("mgl-error", format, args);
}
