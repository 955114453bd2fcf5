// The board under load (bench/board.sh runs it against a fresh board): real 10-minute games,
// recorded as the live window records them, posted by several clients at once while one
// client reads the top-100 list over and over and (with SLOW > 0) that many clients each send
// a request a byte a second. Prints the posts a second beside the replay's own rate of
// verifying those games on one core, and the list's latency percentiles.
//   zorvane-board-load PORT [GAMES [SLOW [POSTERS]]]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "drive/player.h"
#include "tools/live_game.h"

namespace {

using Clock = std::chrono::steady_clock;
double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

int connectTo(uint16_t port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  if (connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

bool sendAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n <= 0) return false;
    bytes.remove_prefix(size_t(n));
  }
  return true;
}

// One answer on a kept connection: its status, once its Content-Length of body has come.
int readAnswer(int fd) {
  std::string raw;
  char chunk[65536];
  for (;;) {
    const size_t end = raw.find("\r\n\r\n");
    if (end != std::string::npos) {
      const size_t at = raw.find("Content-Length: ");
      const size_t length = at < end ? std::strtoul(raw.c_str() + at + 16, nullptr, 10) : 0;
      if (raw.size() >= end + 4 + length) return std::atoi(raw.c_str() + 9);
    }
    const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
    if (n <= 0) return 0;
    raw.append(chunk, size_t(n));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 5) {
    std::fprintf(stderr, "usage: zorvane-board-load PORT [GAMES [SLOW [POSTERS]]]\n");
    return 2;
  }
  const auto port = uint16_t(std::atoi(argv[1]));
  const int games = argc > 2 ? std::atoi(argv[2]) : 200, slow = argc > 3 ? std::atoi(argv[3]) : 0,
            posters = argc > 4 ? std::atoi(argv[4]) : 4;

  std::vector<std::string> recordings(static_cast<size_t>(games));
  const uint64_t base = uint64_t(std::chrono::system_clock::now().time_since_epoch().count());  // new games each run
  for (int i = 0; i < games; ++i) recordings[size_t(i)] = zorvane::liveRecording(base + uint64_t(i), 10 * 60 * 1000);
  size_t bytes = 0;
  for (const std::string& r : recordings) bytes += r.size();

  // The replay's own rate: each game parsed and replayed whole on this one thread.
  const auto verifyStart = Clock::now();
  for (const std::string& r : recordings) {
    zorvane::Script script;
    zorvane::ScriptError error;
    zorvane::parseScript(r, script, error);
    zorvane::Driver driver;
    if (zorvane::playWhole(driver, std::move(script))) return std::fprintf(stderr, "a game missed its expect line\n"), 1;
  }
  const double perCore = games / seconds(Clock::now() - verifyStart);

  // Slow clients, each a byte a second.
  std::atomic<bool> done{false};
  std::thread dribbler([&] {
    std::vector<int> fds;
    for (int i = 0; i < slow; ++i)
      if (const int fd = connectTo(port); fd >= 0) fds.push_back(fd);
    const std::string request = "POST /api/v1/games?name=slow HTTP/1.1\r\nHost: x\r\nContent-Length: 10\r\nX-Slow: ";
    for (size_t i = 0; !done; ++i) {
      for (int& fd : fds) {
        if (fd >= 0 && !sendAll(fd, std::string_view(request).substr(std::min(i, request.size() - 1), 1))) {
          close(fd);
          fd = connectTo(port);  // cut off by the server: another takes its place
        }
      }
      for (int t = 0; t < 10 && !done; ++t) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    for (const int fd : fds)
      if (fd >= 0) close(fd);
  });

  // The list, read 200 times a second on one kept connection (as many players' pages would).
  std::vector<double> latencies;
  std::thread reader([&] {
    int fd = connectTo(port);
    const std::string get = "GET /api/v1/boards/builtin?limit=100 HTTP/1.1\r\nHost: x\r\n\r\n";
    while (!done) {
      const auto start = Clock::now();
      if (!sendAll(fd, get) || readAnswer(fd) != 200) {
        close(fd);
        fd = connectTo(port);
        continue;
      }
      latencies.push_back(seconds(Clock::now() - start) * 1000);
      std::this_thread::sleep_until(start + std::chrono::milliseconds(5));
    }
    close(fd);
  });

  std::atomic<int> next{0}, listed{0}, busy{0}, failed{0};
  const auto postStart = Clock::now();
  std::vector<std::thread> clients;
  for (int c = 0; c < posters; ++c)
    clients.emplace_back([&] {
      for (int i; (i = next++) < games;) {
        const std::string& body = recordings[size_t(i)];
        const std::string request = "POST /api/v1/games?name=load HTTP/1.1\r\nHost: x\r\nConnection: close\r\nContent-Length: " +
                                    std::to_string(body.size()) + "\r\n\r\n" + body;
        for (;;) {
          const int fd = connectTo(port);
          const int status = fd >= 0 && sendAll(fd, request) ? readAnswer(fd) : 0;
          if (fd >= 0) close(fd);
          if (status == 503) {  // the queue is full: come back a moment later
            ++busy;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
          }
          ++(status == 201 ? listed : failed);
          break;
        }
      }
    });
  for (std::thread& c : clients) c.join();
  const double postSeconds = seconds(Clock::now() - postStart);
  done = true;
  reader.join();
  dribbler.join();

  std::sort(latencies.begin(), latencies.end());
  const auto percentile = [&](double p) { return latencies.empty() ? 0.0 : latencies[size_t(p * double(latencies.size() - 1))]; };
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  std::printf("games: %d of 10 minutes, %.0f KiB each on average\n", games, double(bytes) / games / 1024);
  std::printf("replay's own verification: %.1f games/s on one core; x %u cores = %.1f games/s\n", perCore, cores, perCore * cores);
  std::printf("posted: %d listed (201), %d refused, %d times 503 (queue full) in %.2f s: %.1f posts/s (%.0f%% of the limit)\n",
              listed.load(), failed.load(), busy.load(), postSeconds, listed / postSeconds, 100 * listed / postSeconds / (perCore * cores));
  std::printf("top-100 list under that load, %zu reads, %d slow clients: p50 %.2f ms, p99 %.2f ms, max %.2f ms\n",
              latencies.size(), slow, percentile(0.5), percentile(0.99), latencies.empty() ? 0.0 : latencies.back());
  return failed > 0 ? 1 : 0;
}
