// Several boards on one PostgreSQL, through HTTP as players reach them: each game listed once
// and ranked alike by every board, also while PostgreSQL restarts and when a board is killed.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "tests/board/board_process.h"
#include "tools/live_game.h"
#include "tools/postgres_server.h"

namespace zorvane::board {
namespace {

using test::ask;
using test::getRequest;
using test::postRequest;
using test::Reply;
using test::textField;

// A board on `db` that takes every post it can verify.
struct Board : test::BoardProcess {
  explicit Board(const std::string& db) : BoardProcess({"--listen", "127.0.0.1:0", "--db", db, "--rate", "0", "--queue", "64"}) {}
};

// A board's whole list: ids by rank, each page read separately as a client would.
std::vector<std::string> everyGame(const Board& board) {
  std::vector<std::string> ids;
  for (int64_t total = 1; int64_t(ids.size()) < total;) {
    const Reply page = ask(board.port, getRequest("/api/v1/boards/builtin?limit=100&offset=" + std::to_string(ids.size())));
    EXPECT_EQ(page.status, 200);
    total = test::field(page.body, "total");
    const size_t before = ids.size();
    for (size_t at = 0; (at = page.body.find("\"id\":\"", at)) != std::string::npos; at += 6) ids.push_back(page.body.substr(at + 6, 32));
    if (ids.size() == before) break;
  }
  return ids;
}

// Checks that every board lists the same games in the same order, each once, every
// acknowledged one among them.
void listedOnceAlike(const std::vector<const Board*>& boards, const std::set<std::string>& acknowledged) {
  const std::vector<std::string> first = everyGame(*boards[0]);
  for (const Board* b : boards) EXPECT_EQ(everyGame(*b), first);
  const std::set<std::string> listed(first.begin(), first.end());
  EXPECT_EQ(listed.size(), first.size()) << "a game listed twice";
  for (const std::string& id : acknowledged) EXPECT_TRUE(listed.contains(id)) << id << " acknowledged, not listed";
}

std::string recording(uint64_t seed) { return liveRecording(seed, 1500); }

TEST(Boards, TwoOnOnePostgresListEachGameOnceAlsoPostedToBothAtOnce) {
  PostgresServer server;
  const std::string db = server.freshDatabase();
  Board a(db), b(db);
  const Board* boards[] = {&a, &b};
  // Two players post the same games, each game to both boards at the same moment.
  constexpr uint64_t games = 12;
  std::map<uint64_t, std::multiset<int>> statuses;
  std::map<uint64_t, std::set<std::string>> ids;
  std::mutex m;
  std::vector<std::thread> posters;
  for (int p = 0; p < 4; ++p)
    posters.emplace_back([&, p] {
      for (uint64_t seed = 1; seed <= games; ++seed) {
        const Reply r = ask(boards[p % 2]->port, postRequest("?name=p", recording(seed)));
        std::lock_guard l(m);
        statuses[seed].insert(r.status);
        ids[seed].insert(textField(r.body, "id"));
      }
    });
  for (std::thread& t : posters) t.join();
  std::set<std::string> acknowledged;
  for (uint64_t seed = 1; seed <= games; ++seed) {
    EXPECT_EQ(statuses[seed], (std::multiset<int>{200, 200, 200, 201})) << seed;
    EXPECT_EQ(ids[seed].size(), 1u) << seed;
    acknowledged.insert(*ids[seed].begin());
  }
  listedOnceAlike({&a, &b}, acknowledged);
  // The rank a post answers is the game's place in either board's list.
  const std::vector<std::string> listed = everyGame(a);
  for (uint64_t seed = 1; seed <= games; ++seed) {
    const Reply r = ask(boards[seed % 2]->port, postRequest("?name=q", recording(seed)));
    EXPECT_EQ(r.status, 200);
    const auto at = std::find(listed.begin(), listed.end(), textField(r.body, "id"));
    EXPECT_EQ(test::field(r.body, "rank"), at - listed.begin() + 1) << r.body;
    EXPECT_EQ(test::field(r.body, "of"), int64_t(games));
  }
}

// Players posting to a set of boards until told to stop, and what they were answered.
class Load {
 public:
  Load(std::vector<const Board*> to, int players) : boards(std::move(to)) {
    for (int p = 0; p < players; ++p)
      threads.emplace_back([this, p] {
        for (uint64_t i = 0; !done; ++i) {
          const Board* board = boards[i % boards.size()];
          const Reply r = ask(board->port, postRequest("?name=load", recording(uint64_t(p) << 32 | i)));
          std::lock_guard l(m);
          ++statuses[r.status];
          if (r.status == 201) acknowledged.insert(textField(r.body, "id"));
          if (r.status == 201 && board == boards.back()) ++lastBoardAcknowledged;
          if (r.status == 503 && !r.headers.contains("retry-after")) ++statuses[-503];  // a 503 without Retry-After
          changed.notify_all();
        }
      });
  }
  ~Load() { stop(); }
  void stop() {
    done = true;
    for (std::thread& t : threads) t.join();
    threads.clear();
  }
  // Waits until `what` holds of the answers so far; false after a minute without it.
  template <class What>
  bool until(What what) {
    std::unique_lock l(m);
    return changed.wait_for(l, std::chrono::minutes(1), [&] { return what(); });
  }

  std::vector<const Board*> boards;
  std::mutex m;
  std::condition_variable changed;
  std::map<int, int> statuses;  // how many of each status (0: no answer)
  std::set<std::string> acknowledged;
  int lastBoardAcknowledged = 0;
  std::atomic<bool> done = false;
  std::vector<std::thread> threads;
};

TEST(Boards, PostgresRestartedAndABoardKilledUnderLoadLoseNothingAcknowledged) {
  PostgresServer server;
  const std::string db = server.freshDatabase();
  Board a(db), b(db);
  Load load({&a, &b}, 4);
  size_t before = 0;
  ASSERT_TRUE(load.until([&] { return (before = load.acknowledged.size()) >= 20; }));
  const Reply page = ask(a.port, getRequest("/api/v1/boards/builtin?limit=10"));
  ASSERT_EQ(page.status, 200);

  // PostgreSQL stops as if it crashed: posts are answered 503, the list read before is still
  // served; then it starts again and the boards go on by themselves.
  server.stop("immediate");
  ASSERT_TRUE(load.until([&] { return load.statuses[503] >= 4; }));
  const Reply during = ask(a.port, getRequest("/api/v1/boards/builtin?limit=10"));
  EXPECT_EQ(during.status, 200);
  EXPECT_GE(test::field(during.body, "total"), test::field(page.body, "total"));
  server.start();
  ASSERT_TRUE(load.until([&] { return load.acknowledged.size() >= before + 20; }));

  // One board killed in the middle of posts: the other goes on.
  a.stop(SIGKILL);
  const int afterKill = load.lastBoardAcknowledged;
  ASSERT_TRUE(load.until([&] { return load.lastBoardAcknowledged >= afterKill + 20; }));
  load.stop();
  // Answers were 201, 200 (a game stored by a post answered 503), 503 with Retry-After, and
  // no answer from the killed board; never 500.
  for (const auto& [status, n] : load.statuses)
    EXPECT_TRUE(status == 200 || status == 201 || status == 503 || status == 0) << n << " answers " << status;
  const Board c(db);  // a board started afterwards reads the same
  listedOnceAlike({&b, &c}, load.acknowledged);
}

}  // namespace
}  // namespace zorvane::board
