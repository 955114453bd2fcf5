// The file a recording or a live trace goes to.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace zorvane {

// An output file opened before any window: a regular file is created, and emptied by
// empty() once the game can start; a pipe or a character device (a terminal, /dev/null) is
// written as it stands; anything else is refused. Every write hands whole lines to the
// system in one call, and a regular file that takes only part of them is cut back to the
// last whole line.
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile() { close(); }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool open(const std::string& path, std::string& error);  // false: `error` says why, nothing was touched
  bool empty(std::string& error);  // a regular file loses its old lines; false: `error` says why
  bool write(std::string_view lines);  // false once a write has failed
  bool failed() const { return broken; }  // a write has failed: the program ends with status 1
  const std::string& failure() const { return cause; }  // why the first failed write failed
  bool reported() { return std::exchange(told, true); }  // false the first time only: tell the player once
  void close();                        // the file as it stands; writes fail from now on
  bool isOpen() const { return fd != closed; }  // opened and not yet closed
  const std::string& name() const { return path; }  // the path it was opened at

 private:
  static constexpr intptr_t closed = -1;
  intptr_t fd = closed;  // a file descriptor; on Windows a HANDLE
  bool regular = false;  // a regular file: emptied by empty(), cut back after a partial write
  bool broken = false;
  bool told = false;
  int64_t written = 0;   // bytes written since it was emptied
  std::string path;
  std::string cause;
};

enum class FileKind { None, Regular, Other };  // what stands under a name: nothing, a regular file, anything else
FileKind fileKind(const std::string& path);

}  // namespace zorvane
