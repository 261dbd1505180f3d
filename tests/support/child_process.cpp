#include "child_process.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace tessaly::test {

int inChild(const std::function<int()>& body, bool unprivileged) {
  // Buffered output would otherwise be written twice.
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    if (unprivileged && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(90);
    _exit(body());
  }
  int status = 0;
  waitpid(child, &status, 0);
  return status;
}

}  // namespace tessaly::test
