// The board at scale, in one run (see docs/performance.md):
//  1. posts a second of real 10-minute live games to a board on SQLite and to one on
//     PostgreSQL, beside the limit of verification (the replay rate of one core times the cores);
//  2. a million short games inserted straight into PostgreSQL on one board: a board's start,
//     the time of the top-100 list, of the page at offset 900,000, of one game's rank, and the
//     board's memory.
//   zorvane-board-scale [GAMES [MILLION]]   (defaults 200 and 1000000)
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "board/post.h"
#include "board/store.h"
#include "tests/board/board_process.h"
#include "tools/live_game.h"
#include "tools/postgres_server.h"

namespace {

using namespace zorvane;
using namespace zorvane::board;
using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

long residentKiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.starts_with("VmRSS:")) return std::stol(line.substr(6));
  return -1;
}

// Posts every recording from a few clients at once; posts listed a second.
double postRate(const std::string& db, const std::vector<std::string>& games, unsigned clients) {
  test::BoardProcess board({"--listen", "127.0.0.1:0", "--db", db, "--rate", "0", "--queue", "256"});
  if (board.port == 0) throw std::runtime_error("the board did not start on " + db);
  std::atomic<size_t> next{0}, listed{0};
  const auto start = Clock::now();
  std::vector<std::thread> threads;
  for (unsigned c = 0; c < clients; ++c)
    threads.emplace_back([&] {
      for (size_t i; (i = next++) < games.size();) {
        test::Reply r;
        do r = test::ask(board.port, test::postRequest("?name=bench", games[i]));
        while (r.status == 503);  // the queue is full: come back, as a player's page does
        listed += r.status == 201;
      }
    });
  for (std::thread& t : threads) t.join();
  const double rate = double(listed) / seconds(start);
  if (listed != games.size()) std::printf("  (only %zu of %zu listed)\n", listed.load(), games.size());
  board.stop();
  return rate;
}

// The median time of `n` runs of `what`, ms.
template <class What>
double medianMs(int n, What what) {
  std::vector<double> ms;
  for (int i = 0; i < n; ++i) {
    const auto start = Clock::now();
    what();
    ms.push_back(seconds(start) * 1000);
  }
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

int run(int argc, char** argv) {
  const size_t count = argc > 1 ? std::stoul(argv[1]) : 200;
  const long million = argc > 2 ? std::stol(argv[2]) : 1000000;
  std::setvbuf(stdout, nullptr, _IONBF, 0);  // nothing buffered into the processes it starts
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  std::printf("board scale: %u cores\n", cores);

  // 1. Throughput.
  std::vector<std::string> games;
  for (size_t i = 0; i < count; ++i) games.push_back(liveRecording(1000 + i, 600000));
  auto start = Clock::now();
  for (const std::string& g : games)
    if (!verify(g).good) throw std::runtime_error("a live game was refused");
  const double limit = double(count) / seconds(start) * cores;
  std::printf("%zu live games of 10 minutes: verification limit %.0f posts/s (%u cores)\n", count, limit, cores);

  PostgresServer server(true);
  char pattern[] = "/tmp/zorvane-scale-XXXXXX";
  const std::string folder = mkdtemp(pattern);
  const double sqlite = postRate("sqlite:" + folder + "/board.sqlite", games, 2 * cores);
  std::printf("  SQLite:     %.0f posts/s (%.0f%% of the limit)\n", sqlite, 100 * sqlite / limit);
  const double postgres = postRate(server.freshDatabase(), games, 2 * cores);
  std::printf("  PostgreSQL: %.0f posts/s (%.0f%% of the limit)\n", postgres, 100 * postgres / limit);
  std::filesystem::remove_all(folder);

  // 2. A million short games on one board, inserted straight into the database.
  const std::string db = server.freshDatabase();
  openStore(db).reset();  // its migrations
  start = Clock::now();
  const std::string name = db.substr(db.rfind('/') + 1);
  server.sql("SELECT setseed(0.25);"
             "INSERT INTO games (key, id, board, name, score, length, posted)"
             " SELECT md5(i::text) || md5((-i)::text), left(md5(i::text) || md5((-i)::text), 32), 'builtin', 'Player ' || i,"
             " (random() * 400)::int * 10, 20000 + (random() * 100000)::int, '2026-12-09T22:10:36Z'"
             " FROM generate_series(1, " + std::to_string(million) + ") i;"
             "INSERT INTO recordings SELECT seq, convert_to('wait 25', 'UTF8') FROM games;",
             name);
  server.sql("VACUUM ANALYZE games", name);
  server.sql("VACUUM ANALYZE recordings", name);
  std::printf("%ld short games inserted into PostgreSQL in %.1f s\n", million, seconds(start));

  start = Clock::now();
  test::BoardProcess board({"--listen", "127.0.0.1:0", "--db", db});
  if (board.port == 0) throw std::runtime_error("the board did not start");
  std::printf("  a board starts (reads the order of every game) in %.2f s\n", seconds(start));
  const auto list = [&](long offset) {
    const test::Reply r = test::ask(board.port, test::getRequest("/api/v1/boards/builtin?limit=100&offset=" + std::to_string(offset)));
    if (r.status != 200 || r.body.find("\"rank\":" + std::to_string(offset + 100)) == std::string::npos)
      throw std::runtime_error("a list failed: " + r.body.substr(0, 200));
  };
  list(0);
  std::printf("  top-100 list:          %.2f ms (median of 50, through HTTP)\n", medianMs(50, [&] { list(0); }));
  std::printf("  list at offset 900000: %.2f ms\n", medianMs(50, [&] { list(std::min(900000L, million - 100)); }));
  std::printf("  board's memory:        %.0f MiB resident\n", double(residentKiB(board.pid)) / 1024);
  board.stop();

  start = Clock::now();
  std::unique_ptr<Store> store = openStore(db);
  std::printf("  a store opens in %.2f s\n", seconds(start));
  const std::string middle = store->list("builtin", 1, million / 2).games.at(0).id;
  int64_t rank = 0;
  const double rankMs = medianMs(50, [&] { rank = store->standing(middle)->rank; });
  std::printf("  one game's rank:       %.2f ms (median of 50; rank %lld)\n", rankMs, static_cast<long long>(rank));
  std::printf("  in this process, the store's top-100 list %.2f ms, at offset 900000 %.2f ms\n",
              medianMs(50, [&] { store->list("builtin", 100, 0); }),
              medianMs(50, [&] { store->list("builtin", 100, std::min(900000L, million - 100)); }));
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("  this process (verifier runs and one store): %.0f MiB at most\n", double(usage.ru_maxrss) / 1024);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zorvane-board-scale: %s\n", e.what());
    return 1;
  }
}
