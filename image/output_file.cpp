#include "image/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "script/script.h"

namespace zorvane {
namespace {

// Writes all of `text` to `fd`, again after an interruption. Returns the bytes written; `why`
// says why it stopped short ("" when all went).
size_t writeAll(int fd, std::string_view text, std::string& why) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      why = n < 0 ? std::strerror(errno) : "nothing was written";
      break;
    }
    done += size_t(n);
  }
  return done;
}

}  // namespace

bool OutputFile::open(const std::string& name, std::string& error) {
  close();
  // No O_TRUNC: nothing is emptied until the game can start (see empty()), and a device or
  // a pipe is never truncated. O_NONBLOCK refuses a pipe with no reader instead of waiting.
  const int f = ::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0644);
  const auto fail = [&](const std::string& why) {
    error = "cannot write " + printable(name, 200) + ": " + why;
    if (f >= 0) ::close(f);
    return false;
  };
  if (f < 0) return fail(std::strerror(errno));
  struct stat st{};
  if (fstat(f, &st) != 0) return fail(std::strerror(errno));
  if (!S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode) && !S_ISCHR(st.st_mode))
    return fail("not a regular file, a pipe or a terminal");
  fcntl(f, F_SETFL, fcntl(f, F_GETFL) & ~O_NONBLOCK);
  fd = f;
  regular = S_ISREG(st.st_mode);
  broken = false;
  written = 0;
  path = name;
  return true;
}

bool OutputFile::empty(std::string& error) {
  if (fd < 0 || !regular || ftruncate(int(fd), 0) == 0) return true;
  error = "cannot write " + printable(path, 200) + ": " + std::strerror(errno);
  return false;
}

bool OutputFile::write(std::string_view lines) {
  if (fd < 0 || broken) return false;
  const off_t whole = written;
  std::string why;
  written += off_t(writeAll(int(fd), lines, why));
  if (why.empty()) return true;
  broken = true;
  cause = why;
  // A file that took only part of the lines (the size limit) ends at the last whole one.
  if (regular && written != whole && ftruncate(int(fd), whole) == 0) written = whole;
  return false;
}

void OutputFile::close() {
  if (fd >= 0) ::close(int(fd));
  fd = closed;
}

FileKind fileKind(const std::string& path) {
  struct stat st{};
  if (::stat(path.c_str(), &st) != 0) return FileKind::None;
  return S_ISREG(st.st_mode) ? FileKind::Regular : FileKind::Other;
}

}  // namespace zorvane
