// A test body run in a forked child, for what a test process cannot undo
// or must not suffer itself: a kill mid-write, a resource limit, a call
// that may never return, or the rights of an ordinary user.
#pragma once

#include <functional>

namespace tessaly::test {

// Runs `body` in a child process and returns how the child ended (a wait
// status: its exit code is what `body` returned). With `unprivileged`, a
// child of root first becomes the user nobody (65534), so that a file's
// permissions hold for it as for any user; it exits with 90 when it
// cannot.
int inChild(const std::function<int()>& body, bool unprivileged);

}  // namespace tessaly::test
