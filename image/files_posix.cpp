// Whole files on POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "image/files.h"

namespace zorvane::image {

namespace {

bool writeAll(int fd, const std::vector<uint8_t>& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += size_t(n);
  }
  return true;
}

std::string failure(const std::string& what, const std::string& path, int cause) {
  return "cannot " + what + " " + path + ": " + std::strerror(cause);
}

// Writes where FILE stands: a device or a pipe, or the file a link names. The kernel
// follows the link, with its own checks (no link planted by another user in a sticky
// folder), and refuses what the user may not write. A pipe with no reader fails at once
// instead of waiting. Nothing is removed or replaced.
bool writeInPlace(const std::vector<uint8_t>& bytes, const std::string& path, std::string& error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return error = failure("open", path, errno), false;
  struct stat st {};
  const int flags = ::fcntl(fd, F_GETFL);
  bool ok = ::fstat(fd, &st) == 0 && flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0 &&
            (!S_ISREG(st.st_mode) || ::ftruncate(fd, 0) == 0) && writeAll(fd, bytes) &&
            (!S_ISREG(st.st_mode) || ::fsync(fd) == 0);
  int cause = errno;
  if (::close(fd) != 0 && ok) ok = false, cause = errno;
  if (!ok) error = failure("write", path, cause);
  return ok;
}

// Writes a new file beside the old one and renames it over it, so that a failed write
// leaves the old file whole. A link is followed (with the kernel's own checks) and the file
// it names is replaced, the link kept. An old file keeps its permissions, and its owner and
// group where the process may give them; one the user may not write, or that no one may
// (0444, which root could write), is refused. The temporary name is short, whatever the
// file's, and never one already there.
bool writeByRename(const std::vector<uint8_t>& bytes, const std::string& path, std::string& error) {
  mode_t mode = ::umask(0);  // a new file gets the usual permissions, an old one keeps its own
  ::umask(mode);
  mode = 0666 & ~mode;
  std::string place = path;
  struct stat st {};
  bool old = false;
  if (::lstat(path.c_str(), &st) == 0) {
    const int probe = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (probe < 0) return error = failure("write", path, errno), false;
    const bool known = ::fstat(probe, &st) == 0;
    ::close(probe);
    if (!known || (st.st_mode & 0222) == 0) return error = failure("write", path, known ? EACCES : errno), false;
    mode = st.st_mode & 07777;
    old = true;
    if (char* real = ::realpath(path.c_str(), nullptr)) {
      place = real;
      std::free(real);
    }
  }
  const size_t slash = place.rfind('/');
  std::string temp = (slash == std::string::npos ? std::string() : place.substr(0, slash + 1)) + ".zorvane-save-XXXXXX";
  const int fd = ::mkstemp(temp.data());  // O_EXCL, a fresh name each try
  if (fd < 0) return error = failure("write", path, errno), false;
  if (old && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) && ::fchown(fd, st.st_uid, st.st_gid) != 0)
    (void)!::fchown(fd, uid_t(-1), st.st_gid);  // the group alone, where the user belongs to it
  bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, bytes) && ::fsync(fd) == 0;
  int cause = errno;
  if (::close(fd) != 0 && ok) ok = false, cause = errno;
  if (ok && ::rename(temp.c_str(), place.c_str()) != 0) ok = false, cause = errno;
  if (!ok) {
    ::unlink(temp.c_str());  // our own temporary file, never the target
    error = failure("write", path, cause);
  }
  return ok;
}

// Makes a new file: never through a link, never over anything already there. One that
// fails half-written is ours, and is removed.
bool writeNew(const std::vector<uint8_t>& bytes, const std::string& path, std::string& error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) return error = failure("write", path, errno), false;
  bool ok = writeAll(fd, bytes);
  int cause = errno;
  if (::close(fd) != 0 && ok) ok = false, cause = errno;
  if (!ok) {
    ::unlink(path.c_str());
    error = failure("write", path, cause);
  }
  return ok;
}

}  // namespace

bool writeFile(const std::vector<uint8_t>& bytes, const std::string& path, std::string& error, Target target) {
  if (target == Target::New) return writeNew(bytes, path, error);
  // A device, a pipe or a link to one is written where it stands; so is a link to nothing,
  // which fails. A regular file, or a link to one, is replaced.
  struct stat st {}, named {};
  if (::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) &&
      (!S_ISLNK(st.st_mode) || ::stat(path.c_str(), &named) != 0 || !S_ISREG(named.st_mode)))
    return writeInPlace(bytes, path, error);
  return writeByRename(bytes, path, error);
}

bool syncFolder(const std::string& folder, std::string& error) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#ifdef __EMSCRIPTEN__
  bool ok = fd >= 0 && ::fsync(fd) == 0;  // node's file system has no syncfs
#else
  bool ok = fd >= 0 && ::syncfs(fd) == 0;
#endif
  const int cause = errno;
  if (fd >= 0) ::close(fd);
  if (!ok) error = failure("write", folder, cause);
  return ok;
}

bool readFile(const std::string& path, std::vector<uint8_t>& bytes, size_t limit, std::string& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return error = failure("read", path, errno), false;
  struct stat st {};
  int cause = ::fstat(fd, &st) != 0 ? errno : !S_ISREG(st.st_mode) ? EINVAL : size_t(st.st_size) > limit ? EFBIG : 0;
  bool ok = cause == 0;
  if (ok) {
    bytes.resize(size_t(st.st_size));
    size_t done = 0;
    while (ok && done < bytes.size()) {
      const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) ok = false, cause = n < 0 ? errno : EIO;
      else done += size_t(n);
    }
  }
  ::close(fd);
  if (!ok) error = failure("read", path, cause);
  return ok;
}

FileStamp stampOf(const std::string& path) {
  FileStamp stamp;
  struct stat st {};
  std::vector<uint8_t> bytes;
  std::string error;
  if (::stat(path.c_str(), &st) != 0 || !readFile(path, bytes, size_t(1) << 30, error)) return stamp;
  stamp = {true, uint64_t(st.st_size), int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec, hashOf(bytes)};
  return stamp;
}

bool isFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool sameFile(const std::string& a, const std::string& b) {
  struct stat one {}, other {};
  return ::stat(a.c_str(), &one) == 0 && ::stat(b.c_str(), &other) == 0 && one.st_dev == other.st_dev &&
         one.st_ino == other.st_ino;
}

namespace {

// What tells two names of one file apart from two files: the device and inode of a file
// that exists, else the folder's and the last part of the name (a file not made yet).
struct FileIdentity {
  bool known = false;
  dev_t device = 0;
  ino_t inode = 0;
  std::string leaf;
  bool operator==(const FileIdentity& o) const {
    return known && o.known && device == o.device && inode == o.inode && leaf == o.leaf;
  }
};

FileIdentity identify(const std::string& path) {
  FileIdentity id;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    // A terminal or /dev/null may take every output at once: nothing there is kept.
    if (S_ISCHR(st.st_mode)) return id;
    id = {true, st.st_dev, st.st_ino, ""};
    return id;
  }
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  if (::stat(folder.c_str(), &st) == 0) id = {true, st.st_dev, st.st_ino, path.substr(slash + 1)};
  return id;
}

}  // namespace

bool sameTarget(const std::string& a, const std::string& b) {
  const FileIdentity one = identify(a);
  return one.known && one == identify(b);
}

}  // namespace zorvane::image
