// Every store under one table of tests: each kind below makes a fresh, empty database and
// names it as --db would; the tests open it through openStore, as the board does.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <set>
#include <thread>

#include "board/ranking.h"
#include "board/store.h"
#include "tools/postgres_server.h"

namespace zorvane::board {
namespace {

struct StoreKind {
  const char* name;
  std::function<std::string(const std::string& folder)> fresh;  // a new empty database's URI; "" to skip
};

// One PostgreSQL server for the whole program, started when a test first asks for it; its
// absence fails the tests, as the set-up script installs it.
PostgresServer& postgres() {
  static PostgresServer server;
  return server;
}

const StoreKind kinds[] = {
    {"sqlite", [](const std::string& folder) { return "sqlite:" + folder + "/board.sqlite"; }},
    {"postgresql", [](const std::string&) { return postgres().freshDatabase(); }},
};

void PrintTo(const StoreKind& kind, std::ostream* out) { *out << kind.name; }

class StoreTable : public testing::TestWithParam<StoreKind> {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zorvane-store-XXXXXX";
    ASSERT_TRUE(mkdtemp(pattern));
    folder = pattern;
    uri = GetParam().fresh(folder);
    if (uri.empty()) GTEST_SKIP() << GetParam().name << " is not available here";
    store = openStore(uri);
  }
  void TearDown() override {
    store.reset();
    std::filesystem::remove_all(folder);
  }

  static NewGame game(std::string key, std::string board, int64_t score, std::string name = "Ann") {
    return {.key = std::string(64 - key.size(), '0') + key, .id = "id-" + key, .board = std::move(board), .name = std::move(name),
            .score = score, .length = score * 10, .posted = "2026-12-09T22:10:36Z", .recording = "wait 25\r\n# é " + key + "\n"};
  }
  Standing add(const NewGame& g, bool expectAdded = true) {
    bool added = !expectAdded;
    const Standing s = store->insert(g, added);
    EXPECT_EQ(added, expectAdded) << g.key;
    return s;
  }
  std::string ids(const std::string& board, int64_t limit = 100, int64_t offset = 0) {
    std::string all;
    const Page page = store->list(board, limit, offset);
    for (const Row& r : page.games) all += std::to_string(r.rank) + ":" + r.id + " ";
    return std::to_string(page.total) + " | " + all;
  }

  std::string folder, uri;
  std::unique_ptr<Store> store;
};

TEST_P(StoreTable, RanksByScoreThenByTheOrderStored) {
  const std::string other(64, 'a');
  // key, board, score, then the rank and count the insert answers
  const struct { const char* key; std::string board; int64_t score, rank, of; } posts[] = {
      {"a", "builtin", 100, 1, 1}, {"b", "builtin", 300, 1, 2}, {"c", "builtin", 100, 3, 3},
      {"d", "builtin", 300, 2, 4}, {"e", other, 50, 1, 1},     {"f", "builtin", 0, 5, 5},
  };
  for (const auto& p : posts) {
    const Standing s = add(game(p.key, p.board, p.score));
    EXPECT_EQ(s.rank, p.rank) << p.key;
    EXPECT_EQ(s.of, p.of) << p.key;
    EXPECT_EQ(s.id, std::string("id-") + p.key);
    EXPECT_EQ(s.length, p.score * 10);
  }
  EXPECT_EQ(ids("builtin"), "5 | 1:id-b 2:id-d 3:id-a 4:id-c 5:id-f ");
  EXPECT_EQ(ids("builtin", 2, 1), "5 | 2:id-d 3:id-a ");
  EXPECT_EQ(ids("builtin", 100, 5), "5 | ");
  EXPECT_EQ(ids(other), "1 | 1:id-e ");
  EXPECT_EQ(ids(std::string(64, 'b')), "0 | ");
  const Page page = store->list("builtin", 1, 0);
  ASSERT_EQ(page.games.size(), 1u);
  EXPECT_EQ(page.games[0].name, "Ann");
  EXPECT_EQ(page.games[0].posted, "2026-12-09T22:10:36Z");
  EXPECT_EQ(page.games[0].score, 300);
  EXPECT_EQ(page.games[0].length, 3000);

  // The standing of any game, its recording byte for byte, and taking one off.
  EXPECT_EQ(store->standing("id-c")->rank, 4);
  EXPECT_EQ(*store->recording("id-c"), game("c", "", 0).recording);
  EXPECT_FALSE(store->standing("id-x"));
  EXPECT_FALSE(store->recording("id-x"));
  EXPECT_TRUE(store->remove("id-d"));
  EXPECT_FALSE(store->remove("id-d"));
  EXPECT_FALSE(store->recording("id-d"));
  EXPECT_EQ(ids("builtin"), "4 | 1:id-b 2:id-a 3:id-c 4:id-f ");
  EXPECT_EQ(store->standing("id-c")->rank, 3);
}

TEST_P(StoreTable, TheFirstPosterKeepsAGameAndItOutlivesTheStore) {
  add(game("k", "builtin", 500, "First"));
  NewGame again = game("k", "builtin", 500, "Second");
  again.id = "id-other";
  const Standing s = add(again, false);
  EXPECT_EQ(s.id, "id-k");
  EXPECT_EQ(s.rank, 1);
  EXPECT_EQ(s.of, 1);
  store = openStore(uri);  // opened again: the migrations find nothing to do
  const Page page = store->list("builtin", 100, 0);
  ASSERT_EQ(page.games.size(), 1u);
  EXPECT_EQ(page.games[0].name, "First");
  add(again, false);
}

TEST_P(StoreTable, ManyWritersEachGameOnceWithRanksOneToN) {
  constexpr int threads = 4, each = 25;
  std::vector<std::thread> writers;
  for (int t = 0; t < threads; ++t)
    writers.emplace_back([&, t] {
      for (int i = 0; i < each; ++i) {
        bool added = false;
        store->insert(game(std::to_string(i % 20) + "-" + std::to_string(i < 20 ? t : 0), "builtin", i), added);
        store->list("builtin", 10, 0);
      }
    });
  for (std::thread& w : writers) w.join();
  const Page page = store->list("builtin", 100, 0);
  EXPECT_EQ(page.total, threads * 20);
  std::set<std::string> seen;
  for (size_t i = 0; i < page.games.size(); ++i) {
    EXPECT_EQ(page.games[i].rank, int64_t(i) + 1);
    EXPECT_TRUE(seen.insert(page.games[i].id).second) << page.games[i].id;
    if (i > 0) {
      EXPECT_LE(page.games[i].score, page.games[i - 1].score);
    }
  }
}

TEST_P(StoreTable, TwoBoardsOnOneDatabaseListEachGameOnceRankedAlike) {
  // Two boards post to one database at once, each key to both in turn, the same key at the
  // same moment.
  std::unique_ptr<Store> boards[2] = {std::move(store), openStore(uri)};
  constexpr int keys = 30;
  std::atomic<int> added[keys] = {};
  std::vector<std::thread> writers;
  for (int b = 0; b < 2; ++b)
    writers.emplace_back([&, b] {
      for (int k = 0; k < keys; ++k) {
        bool isNew = false;
        const Standing s = boards[b]->insert(game(std::to_string(k), "builtin", k % 7), isNew);
        added[k] += isNew;
        EXPECT_EQ(s.id, "id-" + std::to_string(k));
      }
    });
  for (std::thread& w : writers) w.join();
  for (int k = 0; k < keys; ++k) EXPECT_EQ(added[k], 1) << k;
  const Page a = boards[0]->list("builtin", 100, 0), b = boards[1]->list("builtin", 100, 0);
  EXPECT_EQ(a.total, keys);
  ASSERT_EQ(a.games.size(), size_t(keys));
  ASSERT_EQ(b.games.size(), size_t(keys));
  for (size_t i = 0; i < a.games.size(); ++i) {
    EXPECT_EQ(a.games[i].id, b.games[i].id) << i;
    EXPECT_EQ(boards[1]->standing(a.games[i].id)->rank, int64_t(i) + 1);
  }
  // A game taken off by one board is gone from the other's list and rank.
  EXPECT_TRUE(boards[0]->remove(a.games[0].id));
  EXPECT_EQ(boards[1]->list("builtin", 1, 0).games.at(0).id, a.games[1].id);
  EXPECT_EQ(boards[1]->standing(a.games[1].id)->rank, 1);
}

INSTANTIATE_TEST_SUITE_P(Kinds, StoreTable, testing::ValuesIn(kinds), [](const auto& info) { return info.param.name; });

TEST(SqliteStore, RefusesADatabaseOfANewerBoardAndANameItCannotOpen) {
  char pattern[] = "/tmp/zorvane-store-XXXXXX";
  ASSERT_TRUE(mkdtemp(pattern));
  const std::string file = std::string(pattern) + "/board.sqlite";
  openSqlite(file).reset();
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "PRAGMA user_version = 99", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  EXPECT_THROW(openSqlite(file), StoreError);
  EXPECT_THROW(openSqlite(std::string(pattern) + "/no/such/folder/board.sqlite"), StoreError);
  EXPECT_THROW(openStore("mysql://x"), StoreError);
  std::filesystem::remove_all(pattern);
}

struct Games : StoreTable {
  using StoreTable::game;
};

TEST(PostgresStore, AnswersUnwritableWhileTheDatabaseIsAwayListsWhatItHasAndComesBack) {
  PostgresServer& server = postgres();
  const std::string uri = server.freshDatabase();
  std::unique_ptr<Store> store;
  {
    std::thread other([&] { openStore(uri); });  // two boards migrate a new database at once
    store = openStore(uri);
    other.join();
  }
  bool added = false;
  for (int i = 0; i < 3; ++i) store->insert(Games::game(std::to_string(i), "builtin", i), added);
  const Page before = store->list("builtin", 100, 0);
  ASSERT_EQ(before.games.size(), 3u);

  server.stop("immediate");
  try {
    store->insert(Games::game("3", "builtin", 3), added);
    ADD_FAILURE() << "stored with the database away";
  } catch (const StoreError& e) {
    EXPECT_EQ(e.kind, StoreError::Kind::Unwritable) << e.what();
  }
  const Page during = store->list("builtin", 100, 0);  // the list it had read, from memory
  ASSERT_EQ(during.games.size(), 3u);
  EXPECT_EQ(during.games[2].id, before.games[2].id);
  EXPECT_THROW(store->standing("id-0"), StoreError);

  // Back again, the same store reconnects by itself; so it does when its connections are cut.
  server.start();
  EXPECT_TRUE(store->insert(Games::game("3", "builtin", 3), added).rank == 1 && added);
  server.sql("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE application_name = 'zorvane-board'",
             uri.substr(uri.rfind('/') + 1));
  EXPECT_EQ(store->insert(Games::game("4", "builtin", 4), added).rank, 1);
  EXPECT_EQ(store->list("builtin", 100, 0).total, 5);
}

}  // namespace
}  // namespace zorvane::board

namespace zorvane::board {
namespace {

TEST(Ranking, AgreesWithASortedListThroughAddsBulkAddsAndRemovals) {
  // Random scores with many ties; single adds, bulk adds (small and large) and removals, each
  // step checked against a plain sorted list at ranks near every block boundary.
  std::mt19937 rng(7);
  Ranking ranking;
  std::vector<Ranking::Entry> plain;
  const auto order = [](const Ranking::Entry& a, const Ranking::Entry& b) {
    return a.score != b.score ? a.score > b.score : a.seq < b.seq;
  };
  int64_t seq = 0;
  for (int step = 0; step < 40; ++step) {
    std::vector<Ranking::Entry> batch(rng() % 3 == 0 ? 3000 : 1 + rng() % 100);
    for (auto& e : batch) e = {int64_t(rng() % 50), ++seq};
    plain.insert(plain.end(), batch.begin(), batch.end());
    if (batch.size() == 1) ranking.add(batch[0]);
    else ranking.add(batch);
    for (int r = 0; r < 20 && !plain.empty(); ++r) {
      const size_t at = rng() % plain.size();
      ASSERT_TRUE(ranking.remove(plain[at]));
      plain.erase(plain.begin() + std::ptrdiff_t(at));
    }
    std::sort(plain.begin(), plain.end(), order);
    ASSERT_EQ(ranking.size(), int64_t(plain.size()));
    for (size_t i = 0; i < plain.size(); i += 97) {
      ASSERT_EQ(ranking.rankOf(plain[i]), int64_t(i) + 1);
      const auto page = ranking.page(int64_t(i), 3);
      for (size_t k = 0; k < page.size(); ++k) ASSERT_EQ(page[k].seq, plain[i + k].seq);
    }
  }
  EXPECT_FALSE(ranking.remove({1, seq + 1}));
  EXPECT_EQ(ranking.rankOf({1, seq + 1}), 0);
}

}  // namespace
}  // namespace zorvane::board
