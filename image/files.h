// Whole files written by the programs (pictures), on each system's own file API. Names are
// UTF-8; on Windows they reach the system as UTF-16.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace zorvane::image {

// Where a file goes. Replace replaces a regular file whole (a failed write leaves it as it
// was), refusing one the user may not write; a link's file, a device or a pipe is written
// where it stands. New is always a new file: never through a link, never over another file.
enum class Target { Replace, New };

// Writes `bytes` to `path` as `target` says; false with `error` set, the file as it was.
bool writeFile(const std::vector<uint8_t>& bytes, const std::string& path, std::string& error, Target target);
bool syncFolder(const std::string& folder, std::string& error);  // the files written into it reach the disk
// A whole file of at most `limit` bytes; false with `error` set otherwise.
bool readFile(const std::string& path, std::vector<uint8_t>& bytes, size_t limit, std::string& error);
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
