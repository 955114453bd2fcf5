// The board as a process of its own for the tests, and a small HTTP client over plain
// sockets (so that a test can also be a slow or hostile client).
#pragma once
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace zorvane::board::test {

// An answer as the client read it.
struct Reply {
  int status = 0;                              // 0: no answer
  std::map<std::string, std::string> headers;  // names in lowercase
  std::string body;
};

inline int connectTo(uint16_t port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

inline bool sendAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n <= 0) return false;
    bytes.remove_prefix(size_t(n));
  }
  return true;
}

// Reads one answer until the server closes (requests ask it to), at most `seconds`.
inline Reply readReply(int fd, int seconds = 60) {
  std::string raw;
  char chunk[65536];
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, seconds * 1000) <= 0) break;
    const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
    if (n <= 0) break;
    raw.append(chunk, size_t(n));
  }
  Reply r;
  const size_t end = raw.find("\r\n\r\n");
  if (!raw.starts_with("HTTP/1.1 ") || end == std::string::npos) return r;
  r.status = std::stoi(raw.substr(9, 3));
  for (size_t at = raw.find("\r\n") + 2; at < end;) {
    const size_t eol = raw.find("\r\n", at), colon = raw.find(':', at);
    std::string name = raw.substr(at, colon - at);
    for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
    r.headers[name] = raw.substr(colon + 2, eol - colon - 2);
    at = eol + 2;
  }
  r.body = raw.substr(end + 4);
  return r;
}

// One request on a connection of its own.
inline Reply ask(uint16_t port, std::string_view request) {
  const int fd = connectTo(port);
  if (fd < 0) return {};
  sendAll(fd, request);
  Reply r = readReply(fd);
  close(fd);
  return r;
}

inline std::string getRequest(const std::string& path, const std::string& headers = "") {
  return "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n" + headers + "\r\n";
}
inline std::string postRequest(const std::string& query, const std::string& body, const std::string& headers = "") {
  return "POST /api/v1/games" + query + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\nContent-Type: text/plain\r\n" +
         "Content-Length: " + std::to_string(body.size()) + "\r\n" + headers + "\r\n" + body;
}

// A number field of a JSON answer ("score" in {"score":70}); -1 when absent.
inline long long field(const std::string& json, const std::string& name) {
  const size_t at = json.find("\"" + name + "\":");
  return at == std::string::npos ? -1 : std::stoll(json.substr(at + name.size() + 3));
}
inline std::string textField(const std::string& json, const std::string& name) {
  const size_t at = json.find("\"" + name + "\":\"");
  if (at == std::string::npos) return {};
  const size_t from = at + name.size() + 4;
  return json.substr(from, json.find('"', from) - from);
}

// zorvane-board started with `args`; `inChild` runs in the child before it starts (limits).
class BoardProcess {
 public:
  explicit BoardProcess(std::vector<std::string> args, const std::function<void()>& inChild = {}) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return;
    pid = fork();
    if (pid == 0) {
      dup2(out[1], 1);
      if (inChild) inChild();
      std::vector<char*> argv{const_cast<char*>(ZORVANE_BOARD_EXE)};
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(out[1]);
    // Waits for the line that says where it listens (or for its end).
    std::string said;
    char c;
    for (pollfd p{out[0], POLLIN, 0}; said.find('\n') == std::string::npos && poll(&p, 1, 30000) > 0 && read(out[0], &c, 1) == 1;)
      said += c;
    close(out[0]);
    const size_t colon = said.rfind(':');
    if (said.starts_with("zorvane-board: listening on") && colon != std::string::npos) port = uint16_t(std::stoi(said.substr(colon + 1)));
  }
  ~BoardProcess() {
    if (pid > 0 && status < 0) stop(SIGKILL);
  }
  BoardProcess(const BoardProcess&) = delete;
  BoardProcess& operator=(const BoardProcess&) = delete;

  // Sends `signal` and waits: the exit status, or 128 + the signal that ended it.
  int stop(int signal = SIGTERM) {
    if (status >= 0) return status;
    kill(pid, signal);
    return finished();
  }
  int finished() {  // waits for the process to end by itself
    int raw = 0;
    waitpid(pid, &raw, 0);
    return status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  }

  pid_t pid = -1;
  uint16_t port = 0;  // 0: it did not start listening
  int status = -1;
};

}  // namespace zorvane::board::test
