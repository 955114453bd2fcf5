// For the Wine test: a console that a program is started from, and a Ctrl+C or Ctrl+Break
// typed into it once FLAG exists (the test makes it when the program is ready):
//   zorvane-console-ctrl.exe c|break FLAG PROGRAM [ARGS...]
// Exits with the program's status; 2 for bad arguments, 1 when the program cannot start or
// outlives the event by 30 s.
#include <windows.h>

#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc < 4 || (std::wcscmp(argv[1], L"c") != 0 && std::wcscmp(argv[1], L"break") != 0)) {
    std::fwprintf(stderr, L"usage: zorvane-console-ctrl c|break FLAG PROGRAM [ARGS...]\n");
    return 2;
  }
  const DWORD event = std::wcscmp(argv[1], L"c") == 0 ? CTRL_C_EVENT : CTRL_BREAK_EVENT;
  // A console of its own (Wine, not on a terminal, gives a program one that takes no events).
  FreeConsole();
  if (!AllocConsole()) {
    std::fwprintf(stderr, L"zorvane-console-ctrl: no console (error %lu)\n", GetLastError());
    return 1;
  }
  // This console's own event must not end this program: a handler that takes it (a handler,
  // unlike ignoring the event, is not inherited by the program).
  SetConsoleCtrlHandler([](DWORD) -> BOOL { return TRUE; }, TRUE);
  std::wstring line;
  for (int i = 3; i < argc; ++i) line += (i > 3 ? L" \"" : L"\"") + std::wstring(argv[i]) + L"\"";
  STARTUPINFOW start{};
  start.cb = sizeof start;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &process)) {
    std::fwprintf(stderr, L"zorvane-console-ctrl: cannot start %ls (error %lu)\n", argv[3], GetLastError());
    return 1;
  }
  // Until the flag shows (the program still running), then the event to every program of
  // this console.
  while (GetFileAttributesW(argv[2]) == INVALID_FILE_ATTRIBUTES) {
    if (WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0) break;
  }
  if (!GenerateConsoleCtrlEvent(event, 0))
    std::fwprintf(stderr, L"zorvane-console-ctrl: cannot type it (error %lu)\n", GetLastError());
  DWORD status = 1;
  if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0 || !GetExitCodeProcess(process.hProcess, &status))
    status = 1;
  return int(status);
}
