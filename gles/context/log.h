// The library's log lines on standard output, "[tag] message", printed only
// while the library-wide logging switch (GL_LOGGING_MGL) is on.
#pragma once

#include <atomic>
#include <initializer_list>
#include <string_view>

#include "gles/context/format.h"

// On when the process starts. Read and written by every thread without
// ordering, as the switch promises nothing more.
extern std::atomic<bool> mglLoggingEnabled;

void mglLog(const char* tag, std::string_view format, std::initializer_list<MGLFormatArg> args = {});
void mglLogError(std::string_view format, std::initializer_list<MGLFormatArg> args = {});
