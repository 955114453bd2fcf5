// The board through HTTP, as a process of its own: the answers of the contract, hostile and
// slow clients, a full disk and a read-only database, a kill in the middle of many posts.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>

#include "tests/board/board_process.h"
#include "tools/live_game.h"

namespace zorvane::board {
namespace {

using test::BoardProcess;
using test::ask;
using test::getRequest;
using test::postRequest;
using test::Reply;

struct Folder {
  Folder() {
    char pattern[] = "/tmp/zorvane-board-XXXXXX";
    path = mkdtemp(pattern);
  }
  ~Folder() { std::filesystem::remove_all(path); }
  std::string db() const { return "sqlite:" + path + "/board.sqlite"; }
  std::string path;
};

const std::string& liveGame(uint64_t seed) {  // short live recordings, made once
  static std::map<uint64_t, std::string> made;
  static std::mutex lock;
  const std::lock_guard hold(lock);
  auto [it, fresh] = made.try_emplace(seed);
  if (fresh) it->second = liveRecording(seed, 30000);
  return it->second;
}

TEST(BoardServer, AnswersAsTheContractSays) {
  Folder folder;
  BoardProcess board({"--listen", "127.0.0.1:0", "--db", folder.db(), "--rate", "0", "--origin", "https://friend.example"});
  ASSERT_NE(board.port, 0);
  const std::string game = liveGame(1), other = liveGame(2);
  const std::string huge(9 << 20, 'x');
  const struct { const char* what; std::string request; int status; const char* says; } table[] = {
      {"a game", postRequest("?name=Ann", game), 201, "\"rank\":1,\"of\":1"},
      {"the same game", postRequest("?name=Bob", "# again\n" + game), 200, "\"rank\":1,\"of\":1"},
      {"another game", postRequest("?name=Cy%20D", other), 201, "\"of\":2"},
      {"the board's own origin", postRequest("?name=Ann", game, "Origin: http://127.0.0.1\r\n"), 200, "\"id\""},
      {"a named origin", postRequest("?name=Ann", game, "Origin: https://friend.example\r\n"), 200, "\"id\""},
      {"another origin first", postRequest("?name=", huge, "Origin: https://evil.example\r\n"), 403, "origin"},
      {"a bad name before size", postRequest("?name=", huge), 400, "name"},
      {"no name", postRequest("", game), 400, "name"},
      {"too large, declared", "POST /api/v1/games?name=A HTTP/1.1\r\nHost: x\r\nContent-Length: 8388609\r\n\r\n", 413, "8 MiB"},
      {"too large, chunked", "POST /api/v1/games?name=A HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n900001\r\n" +
                                std::string(0x900001, 'x') + "\r\n0\r\n\r\n", 413, "8 MiB"},
      {"size before encoding", postRequest("?name=A", huge, "Content-Encoding: gzip\r\n"), 413, "8 MiB"},
      {"compressed", postRequest("?name=A", game, "Content-Encoding: gzip\r\n"), 415, "plain text"},
      {"a bad script", postRequest("?name=A", "wait 5\nwiat 5\n"), 422, "\"line\":2"},
      {"a seed line", postRequest("?name=A", "seed 4\nwait 5\n"), 422, "\"line\":1"},
      {"a control byte", postRequest("?name=A", "wait 5\n\x1b[2J\n"), 422, "\"line\":2"},
      {"a list", getRequest("/api/v1/boards/builtin"), 200, "\"total\":2,\"games\":[{\"rank\":1"},
      {"a list's page", getRequest("/api/v1/boards/builtin?offset=1&limit=1"), 200, "\"games\":[{\"rank\":2"},
      {"an empty board", getRequest("/api/v1/boards/" + std::string(64, 'f')), 200, "\"total\":0,\"games\":[]"},
      {"a board not named so", getRequest("/api/v1/boards/BUILTIN"), 404, "board"},
      {"a board of 63 digits", getRequest("/api/v1/boards/" + std::string(63, 'f')), 404, "board"},
      {"limit 0", getRequest("/api/v1/boards/builtin?limit=0"), 400, "limit"},
      {"limit 101", getRequest("/api/v1/boards/builtin?limit=101"), 400, "limit"},
      {"offset -1", getRequest("/api/v1/boards/builtin?offset=-1"), 400, "offset"},
      {"limit twice", getRequest("/api/v1/boards/builtin?limit=1&limit=2"), 400, "limit"},
      {"limit not a number", getRequest("/api/v1/boards/builtin?limit=1e2"), 400, "limit"},
      {"an unknown game", getRequest("/api/v1/games/0123456789abcdef0123456789abcdef"), 404, "game"},
      {"not a game id", getRequest("/api/v1/games/..%2F..%2Fetc"), 404, "game"},
      {"a list from another origin", getRequest("/api/v1/boards/builtin", "Origin: null\r\n"), 403, "origin"},
      {"headers without end", "GET /api/v1/boards/builtin HTTP/1.1\r\nX: " + std::string(20000, 'y') + "\r\n\r\n", 431, "headers"},
  };
  std::string firstId;
  for (const auto& row : table) {
    Reply r = ask(board.port, row.request);
    EXPECT_EQ(r.status, row.status) << row.what << ": " << r.body;
    EXPECT_NE(r.body.find(row.says), std::string::npos) << row.what << ": " << r.body;
    if (r.status >= 400) {
      EXPECT_NE(r.body.find("{\"error\":\""), std::string::npos) << row.what;
    }
    if (firstId.empty()) firstId = test::textField(r.body, "id");
  }
  // The first poster keeps the game, and its bytes come back as posted.
  Reply list = ask(board.port, getRequest("/api/v1/boards/builtin?limit=100"));
  EXPECT_NE(list.body.find("\"id\":\"" + firstId + "\",\"name\":\"Ann\""), std::string::npos) << list.body;
  Reply bytes = ask(board.port, getRequest("/api/v1/games/" + firstId));
  EXPECT_EQ(bytes.status, 200);
  EXPECT_EQ(bytes.headers["content-type"], "text/plain; charset=utf-8");
  EXPECT_TRUE(bytes.body == game) << bytes.body.size() << " bytes";
  EXPECT_EQ(board.stop(), 0);

  // Taken off by the operator, then gone from its board.
  const std::string remove = std::string(ZORVANE_BOARD_EXE) + " --db " + folder.db() + " --remove " + firstId + " >/dev/null";
  EXPECT_EQ(std::system(remove.c_str()), 0);
  EXPECT_NE(std::system(remove.c_str()), 0);
  BoardProcess again({"--listen", "127.0.0.1:0", "--db", folder.db()});
  EXPECT_NE(ask(again.port, getRequest("/api/v1/boards/builtin")).body.find("\"total\":1,"), std::string::npos);
}

TEST(BoardServer, CommandLineAndDatabaseFaultsEndWithTheirStatus) {
  Folder folder;
  const struct { std::vector<std::string> args; int status; } cases[] = {
      {{"--rate", "x"}, 2}, {{"--listen", "nowhere"}, 2}, {{"--bogus"}, 2}, {{"--db", "mysql://x"}, 2},
      {{"--rate"}, 2}, {{"--db", "sqlite:" + folder.path + "/no/such/folder/board.sqlite", "--listen", "127.0.0.1:0"}, 1},
  };
  for (const auto& c : cases) {
    BoardProcess board(c.args);
    EXPECT_EQ(board.port, 0);
    EXPECT_EQ(board.finished(), c.status) << c.args[0];
  }
}

TEST(BoardServer, RateLimitsAndAFullQueueAskToComeBackLater) {
  Folder folder;
  {
    BoardProcess board({"--listen", "127.0.0.1:0", "--db", folder.db(), "--rate", "2"});
    const std::string post = postRequest("?name=A", liveGame(1));
    EXPECT_EQ(ask(board.port, post).status, 201);
    EXPECT_EQ(ask(board.port, post).status, 200);
    Reply third = ask(board.port, post);
    EXPECT_EQ(third.status, 429);
    EXPECT_GE(std::stoi(third.headers["retry-after"]), 1);
    EXPECT_EQ(board.stop(), 0);
  }
  {
    // Behind a trusted proxy, each address it forwards for has a rate of its own.
    BoardProcess board({"--listen", "127.0.0.1:0", "--db", folder.db(), "--rate", "1", "--proxy", "127.0.0.1"});
    const auto from = [&](const char* client) {
      return ask(board.port, postRequest("?name=A", liveGame(1), std::string("X-Forwarded-For: 198.51.100.7, ") + client + "\r\n")).status;
    };
    EXPECT_EQ(from("192.0.2.1"), 200);
    EXPECT_EQ(from("192.0.2.2"), 200);
    EXPECT_EQ(from("192.0.2.1"), 429);
    EXPECT_EQ(board.stop(), 0);
  }
  // One verifier, one place in its queue, and long games posted all at once.
  static const std::string hours = liveRecording(9, 3 * 3600 * 1000);
  BoardProcess board({"--listen", "127.0.0.1:0", "--db", folder.db(), "--rate", "0", "--verifiers", "1", "--queue", "1"});
  std::vector<std::thread> clients;
  std::mutex lock;
  std::multiset<int> statuses;
  bool retryAfter = true;
  for (int i = 0; i < 8; ++i)
    clients.emplace_back([&] {
      Reply r = ask(board.port, postRequest("?name=A", hours));
      const std::lock_guard hold(lock);
      statuses.insert(r.status);
      if (r.status == 503) retryAfter = retryAfter && !r.headers["retry-after"].empty();
    });
  for (std::thread& c : clients) c.join();
  EXPECT_GE(statuses.count(503), 1u);
  EXPECT_EQ(statuses.count(201), 1u);
  EXPECT_EQ(statuses.count(201) + statuses.count(200) + statuses.count(503), 8u);
  EXPECT_TRUE(retryAfter);
  EXPECT_EQ(board.stop(), 0);
}

TEST(BoardServer, SlowClientsDelayNoList) {
  Folder folder;
  BoardProcess board({"--listen", "127.0.0.1:0", "--db", folder.db()});
  ASSERT_NE(board.port, 0);
  // Hundreds of clients that each send a request a byte at a time.
  std::vector<int> slow;
  for (int i = 0; i < 300; ++i) {
    const int fd = test::connectTo(board.port);
    ASSERT_GE(fd, 0);
    slow.push_back(fd);
  }
  const std::string dribble = "POST /api/v1/games?name=S HTTP/1.1\r\nHost: x\r\nContent-Length: 100\r\nX-Slow: ";
  double worst = 0;
  for (size_t i = 0; i < 40; ++i) {
    for (const int fd : slow) test::sendAll(fd, std::string_view(dribble).substr(i % dribble.size(), 1));
    const auto start = std::chrono::steady_clock::now();
    Reply r = ask(board.port, getRequest("/api/v1/boards/builtin"));
    worst = std::max(worst, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    ASSERT_EQ(r.status, 200);
  }
  EXPECT_LT(worst, 1.0);
  for (const int fd : slow) close(fd);
  EXPECT_EQ(board.stop(), 0);
}

// Runs the board as an unprivileged user where the tests run as root, so that a file's
// permissions hold for it.
constexpr uid_t nobody = 65534;
void asNobody() {
  if (getuid() == 0 && (setgid(nobody) != 0 || setuid(nobody) != 0)) _exit(126);
}

TEST(BoardServer, AFullDiskOrAReadOnlyDatabaseStillServesTheLists) {
  Folder folder;
  if (getuid() == 0) {
    ASSERT_EQ(chown(folder.path.c_str(), nobody, nobody), 0);
  }
  {
    BoardProcess board({"--listen", "127.0.0.1:0", "--db", folder.db()}, asNobody);
    ASSERT_EQ(ask(board.port, postRequest("?name=A", liveGame(1))).status, 201);
    EXPECT_EQ(board.stop(), 0);
  }
  const std::string file = folder.path + "/board.sqlite";
  const auto size = std::filesystem::file_size(file);
  {
    // Files may grow only a little (room for the shared-memory index), not by a 10-minute game.
    const rlim_t room = std::max<rlim_t>(size, 32768) + 8192;
    BoardProcess board({"--listen", "127.0.0.1:0", "--db", folder.db(), "--rate", "0"}, [&] {
      const rlimit small{room, room};
      setrlimit(RLIMIT_FSIZE, &small);
      asNobody();
    });
    ASSERT_NE(board.port, 0);
    Reply full = ask(board.port, postRequest("?name=B", liveRecording(3, 600000)));
    EXPECT_EQ(full.status, 507) << full.body;
    EXPECT_NE(full.body.find("full"), std::string::npos) << full.body;
    EXPECT_NE(ask(board.port, getRequest("/api/v1/boards/builtin")).body.find("\"total\":1,"), std::string::npos);
    EXPECT_EQ(board.stop(), 0);
  }
  {
    ASSERT_EQ(chmod(file.c_str(), 0444), 0);
    BoardProcess board({"--listen", "127.0.0.1:0", "--db", folder.db(), "--rate", "0"}, asNobody);
    ASSERT_NE(board.port, 0);
    Reply readOnly = ask(board.port, postRequest("?name=B", liveGame(2)));
    EXPECT_EQ(readOnly.status, 503) << readOnly.body;
    EXPECT_NE(readOnly.body.find("cannot be written"), std::string::npos) << readOnly.body;
    EXPECT_FALSE(readOnly.headers["retry-after"].empty());
    EXPECT_NE(ask(board.port, getRequest("/api/v1/boards/builtin")).body.find("\"total\":1,"), std::string::npos);
    EXPECT_EQ(board.stop(), 0);
  }
}

TEST(BoardServer, EveryAcknowledgedGameOutlivesAKill) {
  Folder folder;
  std::set<std::string> acknowledged;
  std::mutex lock;
  std::atomic<int> next{100};
  {
    BoardProcess board({"--listen", "127.0.0.1:0", "--db", folder.db(), "--rate", "0", "--queue", "64"});
    ASSERT_NE(board.port, 0);
    std::atomic<bool> killed{false};
    std::vector<std::thread> clients;
    for (int c = 0; c < 6; ++c)
      clients.emplace_back([&] {
        while (!killed) {
          const std::string game = liveRecording(uint64_t(next++), 5000);
          Reply r = ask(board.port, postRequest("?name=K", game));
          if (r.status != 201) continue;
          const std::lock_guard hold(lock);
          acknowledged.insert(test::textField(r.body, "id"));
          if (acknowledged.size() == 60 && !killed.exchange(true)) board.stop(SIGKILL);
        }
      });
    for (std::thread& c : clients) c.join();
    EXPECT_EQ(board.status, 128 + SIGKILL);
  }
  BoardProcess board({"--listen", "127.0.0.1:0", "--db", folder.db()});
  ASSERT_NE(board.port, 0);
  std::multiset<std::string> listed;
  for (int offset = 0;; offset += 100) {
    Reply r = ask(board.port, getRequest("/api/v1/boards/builtin?limit=100&offset=" + std::to_string(offset)));
    size_t found = 0;
    for (size_t at = 0; (at = r.body.find("\"id\":\"", at)) != std::string::npos; ++found, at += 6) listed.insert(r.body.substr(at + 6, 32));
    if (found < 100) break;
  }
  for (const std::string& id : acknowledged) EXPECT_EQ(listed.count(id), 1u) << id;
  EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()).size(), listed.size());
  EXPECT_EQ(board.stop(), 0);

  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((folder.path + "/board.sqlite").c_str(), &db), SQLITE_OK);
  std::string check;
  sqlite3_exec(db, "PRAGMA integrity_check", [](void* out, int, char** values, char**) {
    *static_cast<std::string*>(out) += values[0];
    return 0;
  }, &check, nullptr);
  sqlite3_close(db);
  EXPECT_EQ(check, "ok");
}

}  // namespace
}  // namespace zorvane::board
