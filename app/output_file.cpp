#include "app/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "script/script.h"

namespace zorvane {

bool OutputFile::open(const std::string& name, std::string& error) {
  close();
  // No O_TRUNC: a device or a pipe must never be truncated, only a regular file is emptied.
  // O_NONBLOCK refuses a pipe with no reader instead of waiting for one.
  const int f = ::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0644);
  if (f < 0) {
    error = "cannot write " + printable(name) + ": " + std::strerror(errno);
    return false;
  }
  struct stat st{};
  if (fstat(f, &st) != 0) {
    error = "cannot write " + printable(name) + ": " + std::strerror(errno);
    ::close(f);
    return false;
  }
  if (!S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode) && !S_ISCHR(st.st_mode)) {
    error = "cannot write " + printable(name) + ": not a regular file, a pipe or a terminal";
    ::close(f);
    return false;
  }
  if (S_ISREG(st.st_mode) && ftruncate(f, 0) != 0) {
    error = "cannot write " + printable(name) + ": " + std::strerror(errno);
    ::close(f);
    return false;
  }
  fcntl(f, F_SETFL, fcntl(f, F_GETFL) & ~O_NONBLOCK);
  fd = f;
  broken = false;
  path = name;
  return true;
}

bool OutputFile::write(std::string_view lines) {
  if (fd < 0 || broken) return false;
  while (!lines.empty()) {
    const ssize_t n = ::write(fd, lines.data(), lines.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      broken = true;
      cause = n < 0 ? std::strerror(errno) : "nothing was written";
      return false;
    }
    lines.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

void OutputFile::close() {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

}  // namespace zorvane
