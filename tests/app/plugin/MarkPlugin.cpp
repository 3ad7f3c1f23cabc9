// A plug-in that leaves a mark as soon as it is loaded: its constructor runs when the module is
// opened, before any registration. The trust tests put it where a stranger could have put it;
// the mark must never appear.

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

__attribute__((constructor)) static void LeaveMark() {
  if (const char* mark = std::getenv("HXTEST_PLUGIN_MARK")) {
    const int fd = ::open(mark, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd >= 0) ::close(fd);
  }
}
