// Whole files written by the programs (pictures), on each system's own file API. Names are
// UTF-8; on Windows they reach the system as UTF-16.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace zorvane::image {

// Where a file goes. Replace replaces a regular file whole, or the one a link names (the
// link kept), through a short temporary file beside it renamed over it: a failed write
// leaves it as it was, and it keeps its permissions (its owner too where the process may).
// A file the user may not write, or read-only, is refused. A device or a pipe is written
// where it stands. New is always a new file: never through a link, never over another file.
enum class Target { Replace, New };

// Writes `bytes` to `path` as `target` says; false with `error` set, the file as it was.
bool writeFile(const std::vector<uint8_t>& bytes, const std::string& path, std::string& error, Target target);
bool syncFolder(const std::string& folder, std::string& error);  // the files written into it reach the disk
// A whole file of at most `limit` bytes; false with `error` set otherwise.
bool readFile(const std::string& path, std::vector<uint8_t>& bytes, size_t limit, std::string& error);
// What a file was when it was read, to tell whether someone has changed it since.
struct FileStamp {
  bool exists = false;
  uint64_t size = 0;
  int64_t modified = 0;  // the system's own count (ns on Linux, 100 ns on Windows)
  uint64_t hash = 0;     // of its bytes
  bool operator==(const FileStamp&) const = default;
};
FileStamp stampOf(const std::string& path);  // no file (or one that cannot be read): exists false
uint64_t hashOf(const std::vector<uint8_t>& bytes);  // FNV-1a, 64 bits
bool isFolder(const std::string& path);  // an existing folder (or a link to one)
bool sameFile(const std::string& a, const std::string& b);  // both name one existing file or folder
// Both name one file, existing or to be made (a terminal or a device never counts: it may
// take every output at once).
bool sameTarget(const std::string& a, const std::string& b);

#ifdef _WIN32
std::wstring wide(const std::string& utf8);      // empty for text that is not UTF-8
std::string utf8(const std::wstring& wide);      // a lone surrogate becomes U+FFFD
std::string systemMessage(unsigned long code);   // GetLastError()'s code as text, one line
// The program's arguments in UTF-8 (argv[0] first); standard input, output and error made
// binary, so that lines end as on Linux.
std::vector<std::string> arguments();
#endif

}  // namespace zorvane::image
