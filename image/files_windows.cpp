// Whole files on Windows' own file API: UTF-8 names inside, UTF-16 at the API.
#include <windows.h>
// after windows.h:
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

#include "image/files.h"

namespace zorvane::image {

std::wstring wide(const std::string& text) {
  if (text.empty() || text.size() > 0x7fffffff) return {};
  const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), int(text.size()), nullptr, 0);
  std::wstring out(size_t(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), int(text.size()), out.data(), n);
  return out;
}

std::string utf8(const std::wstring& text) {
  if (text.empty() || text.size() > 0x3fffffff) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(size_t(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::string systemMessage(unsigned long code) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message(text, n);
  LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L'.'))
    message.pop_back();
  return message.empty() ? "error " + std::to_string(code) : utf8(message);
}

std::vector<std::string> arguments() {
  _setmode(_fileno(stdin), _O_BINARY);  // a trace is LF lines, byte for byte as on Linux
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  int count = 0;
  wchar_t** list = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> out;
  for (int i = 0; list && i < count; ++i) out.push_back(utf8(list[i]));
  LocalFree(list);
  return out;
}

namespace {

std::string failure(const std::string& what, const std::string& path, DWORD cause) {
  return "cannot " + what + " " + path + ": " + systemMessage(cause);
}

bool writeAll(HANDLE file, const std::vector<uint8_t>& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = DWORD(std::min<size_t>(bytes.size() - done, size_t(1) << 30));
    DWORD n = 0;
    if (!WriteFile(file, bytes.data() + done, chunk, &n, nullptr) || n == 0) return false;
    done += n;
  }
  return true;
}

// Writes where the name stands: a device, or the file a link names. Nothing is removed.
bool writeInPlace(const std::vector<uint8_t>& bytes, const std::wstring& name, const std::string& path,
                  std::string& error) {
  const HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return error = failure("open", path, GetLastError()), false;
  const bool disk = GetFileType(file) == FILE_TYPE_DISK;
  bool ok = (!disk || SetEndOfFile(file)) && writeAll(file, bytes) && (!disk || FlushFileBuffers(file));
  const DWORD cause = GetLastError();
  CloseHandle(file);
  if (!ok) error = failure("write", path, cause);
  return ok;
}

// Makes a new file: never through a link, never over anything already there. One that
// fails half-written is ours, and is removed.
bool writeNew(const std::vector<uint8_t>& bytes, const std::wstring& name, const std::string& path, std::string& error) {
  const HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return error = failure("write", path, GetLastError()), false;
  bool ok = writeAll(file, bytes) && FlushFileBuffers(file);
  const DWORD cause = GetLastError();
  if (!ok) {
    FILE_DISPOSITION_INFO gone{TRUE};
    SetFileInformationByHandle(file, FileDispositionInfo, &gone, sizeof gone);
    error = failure("write", path, cause);
  }
  CloseHandle(file);
  return ok;
}

// Writes a new file beside the old one and moves it over it, so that a failed write leaves
// the old file whole; an old file the user may not write is refused.
bool writeByRename(const std::vector<uint8_t>& bytes, const std::wstring& name, const std::string& path,
                   std::string& error) {
  if (const DWORD attributes = GetFileAttributesW(name.c_str()); attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))
      return error = failure("write", path, ERROR_ACCESS_DENIED), false;  // as Windows refuses to open it
    const HANDLE probe = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (probe == INVALID_HANDLE_VALUE) return error = failure("write", path, GetLastError()), false;
    CloseHandle(probe);
  }
  const size_t slash = name.find_last_of(L"\\/:");
  const std::wstring folder = slash == std::wstring::npos ? std::wstring() : name.substr(0, slash + 1);
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    const std::wstring temp = folder + L".zorvane-shot-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(GetTickCount64() + attempt);
    const HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS) continue;
      return error = failure("write", path, GetLastError()), false;
    }
    bool ok = writeAll(file, bytes) && FlushFileBuffers(file);
    DWORD cause = GetLastError();
    CloseHandle(file);
    if (ok) {
      SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
      ok = MoveFileExW(temp.c_str(), name.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
      cause = GetLastError();
    }
    if (!ok) {
      DeleteFileW(temp.c_str());  // our own temporary file, never the target
      error = failure("write", path, cause);
    }
    return ok;
  }
  return error = failure("write", path, ERROR_FILE_EXISTS), false;
}

}  // namespace

bool writeFile(const std::vector<uint8_t>& bytes, const std::string& path, std::string& error, Target target) {
  const std::wstring name = wide(path);
  if (name.empty()) return error = "cannot write " + path + ": not a valid file name", false;
  if (target == Target::New) return writeNew(bytes, name, path, error);
  const DWORD attributes = GetFileAttributesW(name.c_str());
  // A device (NUL, CON, COM1...) has no attributes of a file of its own.
  const HANDLE probe = CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  DWORD type = FILE_TYPE_DISK;
  if (probe != INVALID_HANDLE_VALUE) {
    type = GetFileType(probe);
    CloseHandle(probe);
  }
  if (type != FILE_TYPE_DISK ||
      (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)))
    return writeInPlace(bytes, name, path, error);
  return writeByRename(bytes, name, path, error);
}

// Every file written here was flushed on its own (Windows cannot flush a folder's files at once).
bool syncFolder(const std::string&, std::string&) { return true; }

bool readFile(const std::string& path, std::vector<uint8_t>& bytes, size_t limit, std::string& error) {
  const std::wstring name = wide(path);
  const HANDLE file = name.empty() ? INVALID_HANDLE_VALUE
                                   : CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return error = failure("read", path, name.empty() ? ERROR_INVALID_NAME : GetLastError()), false;
  LARGE_INTEGER size{};
  DWORD cause = 0;
  if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size)) cause = ERROR_INVALID_FUNCTION;
  else if (uint64_t(size.QuadPart) > limit) cause = ERROR_FILE_TOO_LARGE;
  if (cause == 0) {
    bytes.resize(size_t(size.QuadPart));
    size_t done = 0;
    while (cause == 0 && done < bytes.size()) {
      DWORD n = 0;
      const DWORD chunk = DWORD(std::min<size_t>(bytes.size() - done, size_t(1) << 30));
      if (!ReadFile(file, bytes.data() + done, chunk, &n, nullptr)) cause = GetLastError();
      else if (n == 0) cause = ERROR_HANDLE_EOF;
      done += n;
    }
  }
  CloseHandle(file);
  if (cause != 0) error = failure("read", path, cause);
  return cause == 0;
}

bool isFolder(const std::string& path) {
  const std::wstring name = wide(path);
  const DWORD attributes = name.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A file is its volume and its index on it, whatever name (or link) leads to it.
bool sameFile(const std::string& a, const std::string& b) {
  BY_HANDLE_FILE_INFORMATION info[2] = {};
  const std::string* names[2] = {&a, &b};
  for (int i = 0; i < 2; ++i) {
    const std::wstring name = wide(*names[i]);
    if (name.empty()) return false;
    const HANDLE file = CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool known = GetFileInformationByHandle(file, &info[i]);
    CloseHandle(file);
    if (!known) return false;
  }
  return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber && info[0].nFileIndexHigh == info[1].nFileIndexHigh &&
         info[0].nFileIndexLow == info[1].nFileIndexLow;
}

namespace {

// What tells two names of one file apart from two files: the volume and file index of a
// file that exists, else the folder's and the last part of the name (a file not made yet;
// Windows' names ignore case).
struct FileIdentity {
  bool known = false;
  uint64_t volume = 0, index = 0;
  std::string leaf;
  bool operator==(const FileIdentity& o) const {
    return known && o.known && volume == o.volume && index == o.index && leaf == o.leaf;
  }
};

bool fileIndex(const std::string& path, uint64_t& volume, uint64_t& index, bool& device) {
  const std::wstring name = image::wide(path);
  const HANDLE f = name.empty() ? INVALID_HANDLE_VALUE
                                : CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  device = GetFileType(f) != FILE_TYPE_DISK;
  const bool ok = device || GetFileInformationByHandle(f, &info);
  CloseHandle(f);
  volume = info.dwVolumeSerialNumber;
  index = uint64_t(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
  return ok;
}

FileIdentity identify(const std::string& path) {
  FileIdentity id;
  bool device = false;
  if (fileIndex(path, id.volume, id.index, device)) {
    id.known = !device;  // NUL or the console may take every output at once
    return id;
  }
  const size_t slash = path.find_last_of("/\\");
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  if (fileIndex(folder, id.volume, id.index, device)) {
    id.known = true;
    for (const char c : path.substr(slash + 1)) id.leaf += char(c >= 'A' && c <= 'Z' ? c + 32 : c);
  }
  return id;
}

}  // namespace

bool sameTarget(const std::string& a, const std::string& b) {
  const FileIdentity one = identify(a);
  return one.known && one == identify(b);
}

}  // namespace zorvane::image
