// The output file on Windows' own file API (see output_file.h): UTF-8 names inside, UTF-16
// at the API.
#include <windows.h>
#undef RGB  // the game's own RGB() comes with script.h

#include <algorithm>

#include "image/output_file.h"
#include "image/files.h"
#include "script/script.h"

namespace zorvane {

namespace {
HANDLE handle(intptr_t fd) { return reinterpret_cast<HANDLE>(fd); }
}  // namespace

bool OutputFile::open(const std::string& name, std::string& error) {
  close();
  const auto fail = [&](const std::string& why) {
    error = "cannot write " + printable(name, 200) + ": " + why;
    return false;
  };
  const std::wstring wide = image::wide(name);
  if (wide.empty()) return fail("not a valid file name");
  // OPEN_ALWAYS: nothing is emptied until the game can start (see empty()); a device or a
  // pipe is never truncated.
  const HANDLE f = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return fail(image::systemMessage(GetLastError()));
  const DWORD type = GetFileType(f);
  if (type != FILE_TYPE_DISK && type != FILE_TYPE_PIPE && type != FILE_TYPE_CHAR) {
    CloseHandle(f);
    return fail("not a regular file, a pipe or a terminal");
  }
  fd = reinterpret_cast<intptr_t>(f);
  regular = type == FILE_TYPE_DISK;
  broken = false;
  written = 0;
  path = name;
  return true;
}

namespace {

// Writes all of `text` to `f`, a gigabyte at the most per call. Returns the bytes written;
// `why` says why it stopped short ("" when all went).
size_t writeAll(HANDLE f, std::string_view text, std::string& why) {
  size_t done = 0;
  while (done < text.size()) {
    DWORD n = 0;
    const DWORD chunk = DWORD(std::min<size_t>(text.size() - done, size_t(1) << 30));
    if (!WriteFile(f, text.data() + done, chunk, &n, nullptr) || n == 0) {
      why = n == 0 && GetLastError() == 0 ? "nothing was written" : image::systemMessage(GetLastError());
      break;
    }
    done += n;
  }
  return done;
}

}  // namespace

bool OutputFile::empty(std::string& error) {
  if (!isOpen() || !regular) return true;
  LARGE_INTEGER start{};
  if (SetFilePointerEx(handle(fd), start, nullptr, FILE_BEGIN) && SetEndOfFile(handle(fd))) return true;
  error = "cannot write " + printable(path, 200) + ": " + image::systemMessage(GetLastError());
  return false;
}

bool OutputFile::write(std::string_view lines) {
  if (!isOpen() || broken) return false;
  const int64_t whole = written;
  std::string why;
  written += int64_t(writeAll(handle(fd), lines, why));
  if (why.empty()) return true;
  broken = true;
  cause = why;
  // A file that took only part of the lines (a full disk) ends at the last whole one.
  LARGE_INTEGER at{};
  at.QuadPart = whole;
  if (regular && written != whole && SetFilePointerEx(handle(fd), at, nullptr, FILE_BEGIN) && SetEndOfFile(handle(fd)))
    written = whole;
  return false;
}

void OutputFile::close() {
  if (isOpen()) CloseHandle(handle(fd));
  fd = closed;
}

FileKind fileKind(const std::string& path) {
  const std::wstring name = image::wide(path);
  const DWORD attributes = name.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return FileKind::None;
  return attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE) ? FileKind::Other : FileKind::Regular;
}

}  // namespace zorvane
