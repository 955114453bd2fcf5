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

// The file a name leads to, through any link, as the API takes it ("\\?\C:\..."); the
// name itself when that cannot be told.
std::wstring finalName(const std::wstring& name) {
  const HANDLE file = CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return name;
  std::wstring out(32768, L'\0');
  const DWORD n = GetFinalPathNameByHandleW(file, out.data(), DWORD(out.size()), FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  CloseHandle(file);
  if (n == 0 || n >= out.size()) return name;
  out.resize(n);
  return out;
}

// Writes a new file beside the old one (or beside the file a link names) and moves it over
// it, so that a failed write leaves the old file whole and a link stays a link; an old file
// the user may not write, or read-only, is refused. The temporary name is short, whatever
// the file's, and never one already there.
bool writeByRename(const std::vector<uint8_t>& bytes, const std::wstring& name, const std::string& path,
                   std::string& error) {
  std::wstring place = name;
  DWORD kept = FILE_ATTRIBUTE_NORMAL;
  if (const DWORD attributes = GetFileAttributesW(name.c_str()); attributes != INVALID_FILE_ATTRIBUTES) {
    const HANDLE probe = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, 0, nullptr);
    if (probe == INVALID_HANDLE_VALUE) return error = failure("write", path, GetLastError()), false;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(probe, &info);
    CloseHandle(probe);
    if (!known || (info.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
      return error = failure("write", path, ERROR_ACCESS_DENIED), false;  // as Windows refuses to open it
    kept = info.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    if (kept == 0) kept = FILE_ATTRIBUTE_NORMAL;
    place = finalName(name);
  }
  const size_t slash = place.find_last_of(L"\\/:");
  const std::wstring folder = slash == std::wstring::npos ? std::wstring() : place.substr(0, slash + 1);
  uint64_t seed = GetTickCount64() * 0x9E3779B97F4A7C15ull ^ GetCurrentProcessId();
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    std::wstring temp = folder + L".zorvane-save-";
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    for (int i = 0; i < 6; ++i) temp += L"abcdefghijklmnopqrstuvwxyz012345"[(seed >> (34 + 5 * i)) & 31];
    const HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS) continue;
      return error = failure("write", path, GetLastError()), false;
    }
    bool ok = writeAll(file, bytes) && FlushFileBuffers(file);
    DWORD cause = GetLastError();
    CloseHandle(file);
    if (ok) {
      SetFileAttributesW(temp.c_str(), kept);
      ok = MoveFileExW(temp.c_str(), place.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
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
  // A device, or a link that leads nowhere, is written where it stands; a file, or a link to
  // one, is replaced.
  if (type != FILE_TYPE_DISK ||
      (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) && probe == INVALID_HANDLE_VALUE))
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

FileStamp stampOf(const std::string& path) {
  FileStamp stamp;
  const std::wstring name = wide(path);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  std::vector<uint8_t> bytes;
  std::string error;
  if (name.empty() || !GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data) ||
      !readFile(path, bytes, size_t(1) << 30, error))
    return stamp;
  stamp = {true, uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow,
           int64_t(uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32 | data.ftLastWriteTime.dwLowDateTime), hashOf(bytes)};
  return stamp;
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
