// Several boards on one PostgreSQL, through HTTP as players reach them: each game listed once
// and ranked alike by every board, also while PostgreSQL restarts and when a board is killed.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "tools/postgres_server.h"
#include "tools/live_game.h"

namespace zorvane::board {
namespace {

// A zorvane-board process on a free port of its own.
class Board {
 public:
  explicit Board(const std::string& db) {
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe failed");
    pid = fork();
    if (pid == 0) {
      dup2(out[1], 1);
      close(out[0]);
      execl(ZORVANE_BOARD_EXE, ZORVANE_BOARD_EXE, "--listen", "127.0.0.1:0", "--db", db.c_str(), "--rate", "0",
            "--queue", "64", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(out[1]);
    // "zorvane-board: listening on http://127.0.0.1:PORT/"
    std::string line;
    char c;
    while (read(out[0], &c, 1) == 1 && c != '\n') line += c;
    close(out[0]);
    const size_t colon = line.rfind(':');
    if (colon == std::string::npos) throw std::runtime_error("the board did not start: " + line);
    port = std::stoi(line.substr(colon + 1));
  }
  ~Board() { stop(SIGTERM); }
  void stop(int signal) {
    if (pid <= 0) return;
    kill(pid, signal);
    int status = 0;
    waitpid(pid, &status, 0);
    pid = 0;
  }

  // One request; the status (0: no answer) and the body.
  int request(const std::string& method, const std::string& target, const std::string& body, std::string& answer,
              bool* retryAfter = nullptr) const {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return close(s), 0;
    const std::string req = method + " " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n" +
                            "Content-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    std::string got;
    if (send(s, req.data(), req.size(), MSG_NOSIGNAL) == ssize_t(req.size())) {
      char buf[65536];
      for (ssize_t n; (n = recv(s, buf, sizeof buf, 0)) > 0;) got.append(buf, size_t(n));
    }
    close(s);
    const size_t end = got.find("\r\n\r\n");
    if (!got.starts_with("HTTP/1.1 ") || end == std::string::npos) return 0;
    answer = got.substr(end + 4);
    if (retryAfter) *retryAfter = got.substr(0, end).find("\r\nRetry-After: ") != std::string::npos;
    return std::stoi(got.substr(9, 3));
  }

  int port = 0;
  pid_t pid = 0;
};

std::string field(const std::string& json, const std::string& name) {
  const size_t at = json.find("\"" + name + "\":");
  if (at == std::string::npos) return "";
  size_t from = at + name.size() + 3, to = from;
  if (json[from] == '"') to = json.find('"', ++from);
  else to = json.find_first_of(",}", from);
  return json.substr(from, to - from);
}

// A board's whole list: ids by rank, each page read separately as a client would.
std::vector<std::string> everyGame(const Board& board) {
  std::vector<std::string> ids;
  for (int64_t total = 1; int64_t(ids.size()) < total;) {
    std::string page;
    EXPECT_EQ(board.request("GET", "/api/v1/boards/builtin?limit=100&offset=" + std::to_string(ids.size()), "", page), 200);
    total = std::stoll(field(page, "total"));
    size_t at = 0, before = ids.size();
    while ((at = page.find("\"id\":\"", at)) != std::string::npos) {
      at += 6;
      ids.push_back(page.substr(at, page.find('"', at) - at));
    }
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
        std::string answer;
        const int status = boards[p % 2]->request("POST", "/api/v1/games?name=p", recording(seed), answer);
        std::lock_guard l(m);
        statuses[seed].insert(status);
        ids[seed].insert(field(answer, "id"));
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
    std::string answer;
    EXPECT_EQ(boards[seed % 2]->request("POST", "/api/v1/games?name=q", recording(seed), answer), 200);
    const auto at = std::find(listed.begin(), listed.end(), field(answer, "id"));
    EXPECT_EQ(field(answer, "rank"), std::to_string(at - listed.begin() + 1)) << answer;
    EXPECT_EQ(field(answer, "of"), std::to_string(games));
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
          std::string answer;
          bool retryAfter = false;
          const int status = board->request("POST", "/api/v1/games?name=load", recording(uint64_t(p) << 32 | i), answer, &retryAfter);
          std::lock_guard l(m);
          ++statuses[status];
          if (status == 201) acknowledged.insert(field(answer, "id"));
          if (status == 201 && board == boards.back()) ++lastBoardAcknowledged;
          if (status == 503 && !retryAfter) ++statuses[-503];  // a 503 without Retry-After
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
  std::string page;
  ASSERT_EQ(a.request("GET", "/api/v1/boards/builtin?limit=10", "", page), 200);

  // PostgreSQL stops as if it crashed: posts are answered 503, the list read before is still
  // served; then it starts again and the boards go on by themselves.
  server.stop("immediate");
  ASSERT_TRUE(load.until([&] { return load.statuses[503] >= 4; }));
  std::string during;
  EXPECT_EQ(a.request("GET", "/api/v1/boards/builtin?limit=10", "", during), 200);
  EXPECT_EQ(field(during, "id"), field(page, "id"));
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
