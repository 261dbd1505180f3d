// A fixture for GL layer tests: a fresh context current on the test's
// thread, logging off, and the recorded error read back as code and text.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "gles/context/context.h"
#include "gles/context/current_context.h"
#include "gles/context/log.h"

namespace tessaly::test {

class GLTestContext : public ::testing::Test {
 protected:
  void SetUp() override {
    context = mglMake<MGLContext>();
    mglSetCurrentContext(context.get());
    mglLoggingEnabled = false;
  }
  void TearDown() override {
    mglSetCurrentContext(nullptr);
    mglLoggingEnabled = true;
  }
  // Reads and clears the pending error's code.
  GLenum errorCode() {
    context->currentErrorText();
    return context->currentError();
  }
  // Reads and clears the pending error's text ("" without one).
  std::string errorText() {
    context->currentError();
    return context->currentErrorText();
  }
  MGLRef<MGLContext> context;
};

}  // namespace tessaly::test
