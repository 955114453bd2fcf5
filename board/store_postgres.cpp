#include "board/store_postgres.h"

#include <libpq-fe.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <shared_mutex>
#include <string_view>
#include <unordered_map>

#include "board/ranking.h"

namespace zorvane::board {
namespace {

using Clock = std::chrono::steady_clock;

// Every board that changes the games takes this lock until its transaction commits, so the
// order the store assigns (`seq`) is the order the games become visible: a board that has
// read every game up to some `seq` has missed none below it.
constexpr int64_t orderLock = 0x5a6f7276616e6501;
constexpr int64_t migrationLock = 0x5a6f7276616e6502;  // one board migrates at a time

// The schema, one step per number; a database records the steps it has had.
// Never change a step once released: add one. The steps match the SQLite store's numbers.
const char* const migrations[] = {
    // 1: the games, and their recordings apart so that lists never read them.
    "CREATE TABLE games (seq bigserial PRIMARY KEY, key text NOT NULL UNIQUE, id text NOT NULL UNIQUE,"
    " board text NOT NULL, name text NOT NULL, score bigint NOT NULL, length bigint NOT NULL,"
    " posted text NOT NULL);"
    "CREATE TABLE recordings (seq bigint PRIMARY KEY REFERENCES games ON DELETE CASCADE, bytes bytea NOT NULL);",
    // 2: a board's ranking, which each board keeps in memory from the games in the order they
    // were stored, and the log of games taken off that it follows too.
    "CREATE TABLE removals (seq bigserial PRIMARY KEY, game bigint NOT NULL, board text NOT NULL,"
    " score bigint NOT NULL);",
};
constexpr int migrationCount = static_cast<int>(std::size(migrations));

constexpr size_t pooledMax = 16;          // connections a board keeps open at most
constexpr auto reconnectPause = std::chrono::milliseconds(100);  // between failed connects
constexpr size_t rowCacheMax = 50000;     // rows kept to list while the database is away
constexpr int64_t readChunk = 200000;     // games read at a time while catching up

// One failure of the database: what the board answers for it, and whether the connection
// it came from is gone.
struct Failure {
  StoreError::Kind kind;
  bool connectionLost;
  std::string what;
};

Failure classify(PGconn* conn, const PGresult* res) {
  std::string msg = res ? PQresultErrorMessage(res) : "";
  if (msg.empty()) msg = PQerrorMessage(conn);
  while (!msg.empty() && (msg.back() == '\n' || msg.back() == ' ')) msg.pop_back();
  if (PQstatus(conn) != CONNECTION_OK) return {StoreError::Kind::Unwritable, true, "the database cannot be reached: " + msg};
  const char* state = res ? PQresultErrorField(res, PG_DIAG_SQLSTATE) : nullptr;
  const std::string_view s = state ? state : "";
  if (s == "53100") return {StoreError::Kind::Full, false, "the database's disk is full"};
  // Connection, shutdown, resources, read only, serialization and lock failures pass.
  if (s.starts_with("08") || s.starts_with("57P") || s.starts_with("53") || s == "25006" || s.starts_with("40") ||
      s == "55P03")
    return {StoreError::Kind::Unwritable, s.starts_with("08") || s.starts_with("57P"), "the database is busy: " + msg};
  return {StoreError::Kind::Broken, false, "the database failed: " + msg};
}

struct ResultGuard {
  PGresult* r;
  ~ResultGuard() { PQclear(r); }
};

// A row of the games, as lists show it.
struct Stored {
  std::string id, name, posted;
  int64_t score = 0, length = 0;
};

int64_t toInt(const char* s) { return std::strtoll(s, nullptr, 10); }

class PostgresStore final : public Store {
 public:
  explicit PostgresStore(std::string uri) : uri(std::move(uri)) {
    attempt([&](PGconn* c) {
      migrate(c);
      catchUp(c);
    });
  }
  ~PostgresStore() override {
    for (PGconn* c : idle) PQfinish(c);
  }

  Standing insert(const NewGame& game, bool& added) override {
    int64_t seq = 0;
    std::string board;
    int64_t score = 0;
    Standing st;
    inOrder([&](PGconn* c) {
      const std::string sc = std::to_string(game.score), len = std::to_string(game.length);
      const char* values[] = {game.key.c_str(), game.id.c_str(), game.board.c_str(), game.name.c_str(),
                              sc.c_str(),       len.c_str(),     game.posted.c_str(), game.recording.data()};
      const int lengths[] = {0, 0, 0, 0, 0, 0, 0, static_cast<int>(game.recording.size())};
      const int formats[] = {0, 0, 0, 0, 0, 0, 0, 1};
      ResultGuard ins{PQexecParams(c,
                                   "WITH g AS (INSERT INTO games (key, id, board, name, score, length, posted)"
                                   " VALUES ($1, $2, $3, $4, $5, $6, $7) ON CONFLICT (key) DO NOTHING"
                                   " RETURNING seq, id, board, score, length),"
                                   " r AS (INSERT INTO recordings SELECT seq, $8::bytea FROM g)"
                                   " SELECT * FROM g",
                                   8, nullptr, values, lengths, formats, 0)};
      check(c, ins.r, PGRES_TUPLES_OK);
      added = PQntuples(ins.r) == 1;
      ResultGuard old{nullptr};
      PGresult* row = ins.r;
      if (!added) {
        const char* key[] = {game.key.c_str()};
        old.r = PQexecParams(c, "SELECT seq, id, board, score, length FROM games WHERE key = $1", 1, nullptr, key,
                             nullptr, nullptr, 0);
        check(c, old.r, PGRES_TUPLES_OK);
        if (PQntuples(old.r) != 1) fail(StoreError::Kind::Broken, "a game's id is taken by another game");
        row = old.r;
      }
      seq = toInt(PQgetvalue(row, 0, 0));
      st.id = PQgetvalue(row, 0, 1);
      board = st.board = PQgetvalue(row, 0, 2);
      score = st.score = toInt(PQgetvalue(row, 0, 3));
      st.length = toInt(PQgetvalue(row, 0, 4));
    });
    std::shared_lock lock(orderMutex);
    if (auto it = boards.find(board); it != boards.end()) {
      st.rank = it->second.rankOf({score, seq});
      st.of = it->second.size();
    }
    return st;
  }

  Page list(const std::string& board, int64_t limit, int64_t offset) override {
    Page page;
    std::vector<Ranking::Entry> entries;
    bool current = true;
    try {
      attempt([&](PGconn* c) { catchUp(c); });
    } catch (const StoreError&) {
      current = false;  // the order as last read: list it while its rows are at hand
    }
    {
      std::shared_lock lock(orderMutex);
      auto it = boards.find(board);
      if (it == boards.end()) return page;
      page.total = it->second.size();
      entries = it->second.page(offset, limit);
    }
    std::vector<int64_t> missing;
    {
      std::lock_guard lock(cacheMutex);
      for (const auto& e : entries)
        if (!rows.contains(e.seq)) missing.push_back(e.seq);
    }
    if (!missing.empty()) {
      if (!current) fail(StoreError::Kind::Unwritable, "the database cannot be reached");
      std::string array = "{";
      for (size_t i = 0; i < missing.size(); ++i) array += (i ? "," : "") + std::to_string(missing[i]);
      array += "}";
      std::unordered_map<int64_t, Stored> found;
      attempt([&](PGconn* c) {
        const char* values[] = {array.c_str()};
        ResultGuard r{PQexecParams(c,
                                   "SELECT seq, id, name, score, length, posted FROM games"
                                   " WHERE seq = ANY($1::bigint[])",
                                   1, nullptr, values, nullptr, nullptr, 0)};
        check(c, r.r, PGRES_TUPLES_OK);
        for (int i = 0; i < PQntuples(r.r); ++i)
          found[toInt(PQgetvalue(r.r, i, 0))] = {PQgetvalue(r.r, i, 1), PQgetvalue(r.r, i, 2), PQgetvalue(r.r, i, 5),
                                                 toInt(PQgetvalue(r.r, i, 3)), toInt(PQgetvalue(r.r, i, 4))};
      });
      std::lock_guard lock(cacheMutex);
      if (rows.size() + found.size() > rowCacheMax) rows.clear();
      rows.merge(found);
    }
    std::lock_guard lock(cacheMutex);
    int64_t rank = offset;
    for (const auto& e : entries) {
      ++rank;
      auto it = rows.find(e.seq);
      if (it == rows.end()) continue;  // taken off since the order was read
      const Stored& s = it->second;
      page.games.push_back({rank, s.id, s.name, s.score, s.length, s.posted});
    }
    return page;
  }

  std::optional<Standing> standing(const std::string& id) override {
    std::optional<Standing> st;
    int64_t seq = 0;
    attempt([&](PGconn* c) {
      catchUp(c);
      const char* values[] = {id.c_str()};
      ResultGuard r{PQexecParams(c, "SELECT seq, id, board, score, length FROM games WHERE id = $1", 1, nullptr,
                                 values, nullptr, nullptr, 0)};
      check(c, r.r, PGRES_TUPLES_OK);
      if (PQntuples(r.r) != 1) return;
      seq = toInt(PQgetvalue(r.r, 0, 0));
      st = Standing{PQgetvalue(r.r, 0, 1), PQgetvalue(r.r, 0, 2), toInt(PQgetvalue(r.r, 0, 3)),
                    toInt(PQgetvalue(r.r, 0, 4)), 0, 0};
    });
    if (st) {
      std::shared_lock lock(orderMutex);
      auto it = boards.find(st->board);
      if (it != boards.end()) {
        st->rank = it->second.rankOf({st->score, seq});
        st->of = it->second.size();
      }
    }
    return st;
  }

  std::optional<std::string> recording(const std::string& id) override {
    std::optional<std::string> out;
    attempt([&](PGconn* c) {
      const char* values[] = {id.c_str()};
      ResultGuard r{PQexecParams(c, "SELECT bytes FROM recordings JOIN games USING (seq) WHERE id = $1", 1, nullptr, values, nullptr, nullptr, 1)};
      check(c, r.r, PGRES_TUPLES_OK);
      if (PQntuples(r.r) == 1) out.emplace(PQgetvalue(r.r, 0, 0), static_cast<size_t>(PQgetlength(r.r, 0, 0)));
    });
    return out;
  }

  bool remove(const std::string& id) override {
    bool removed = false;
    inOrder([&](PGconn* c) {
      const char* values[] = {id.c_str()};
      ResultGuard r{PQexecParams(c,
                                 "WITH gone AS (DELETE FROM games WHERE id = $1 RETURNING seq, board, score)"
                                 " INSERT INTO removals (game, board, score) SELECT seq, board, score FROM gone"
                                 " RETURNING game",
                                 1, nullptr, values, nullptr, nullptr, 0)};
      check(c, r.r, PGRES_TUPLES_OK);
      removed = PQntuples(r.r) == 1;
    });
    return removed;
  }

 private:
  // A connection of the pool for one call; a lost one is closed instead of returned.
  struct Lease {
    PostgresStore& store;
    PGconn* conn;
    explicit Lease(PostgresStore& s) : store(s), conn(s.take()) {}
    ~Lease() { store.give(conn); }
  };

  [[noreturn]] static void fail(StoreError::Kind kind, const std::string& what) { throw StoreError(kind, what); }

  // Thrown for a connection found closed before a call changed anything: worth one retry.
  struct Stale {};

  // Statements checked in this thread's current attempt: a connection found lost by the
  // first of them changed nothing.
  static inline thread_local int checked = 0;

  void check(PGconn* c, const PGresult* r, ExecStatusType want) {
    const bool first = checked++ == 0;
    if (PQresultStatus(r) == want) return;
    Failure f = classify(c, r);
    if (f.connectionLost) {
      dropIdle();
      if (first) throw Stale{};
    }
    throw StoreError(f.kind, f.what);
  }

  void exec(PGconn* c, const std::string& sql) {
    ResultGuard r{PQexec(c, sql.c_str())};
    check(c, r.r, PQresultStatus(r.r) == PGRES_TUPLES_OK ? PGRES_TUPLES_OK : PGRES_COMMAND_OK);
  }

  // Runs `work` on a pooled connection; once more on a fresh one when the pooled one turns out
  // to have been closed while it waited (the database restarted in between).
  template <class Work>
  void attempt(Work&& work) {
    for (int tries = 0;; ++tries) {
      Lease l(*this);
      try {
        checked = 0;
        work(l.conn);
        return;
      } catch (const Stale&) {
        if (tries > 0) fail(StoreError::Kind::Unwritable, "the database cannot be reached");
      } catch (...) {
        if (PQstatus(l.conn) == CONNECTION_OK && PQtransactionStatus(l.conn) != PQTRANS_IDLE) {
          ResultGuard r{PQexec(l.conn, "ROLLBACK")};
        }
        throw;
      }
    }
  }

  // Runs `work` in a transaction that holds the order lock, so that every board sees the games
  // in the order they were stored; then takes what the others stored meanwhile.
  template <class Work>
  void inOrder(Work&& work) {
    attempt([&](PGconn* c) {
      exec(c, "BEGIN");
      exec(c, "SELECT pg_advisory_xact_lock(" + std::to_string(orderLock) + ")");
      work(c);
      exec(c, "COMMIT");
      catchUp(c);
    });
  }

  PGconn* connect() {
    {
      std::lock_guard lock(poolMutex);
      if (Clock::now() < nextConnect) fail(StoreError::Kind::Unwritable, "the database cannot be reached");
    }
    // The URI's own settings win over these defaults.
    const char* keys[] = {"connect_timeout", "keepalives_idle", "keepalives_interval", "keepalives_count",
                          "application_name", "dbname", nullptr};
    const char* values[] = {"5", "10", "5", "3", "zorvane-board", uri.c_str(), nullptr};
    PGconn* c = PQconnectdbParams(keys, values, 1);
    if (PQstatus(c) != CONNECTION_OK) {
      std::string msg = PQerrorMessage(c);
      while (!msg.empty() && (msg.back() == '\n' || msg.back() == ' ')) msg.pop_back();
      PQfinish(c);
      std::lock_guard lock(poolMutex);
      nextConnect = Clock::now() + reconnectPause;
      fail(StoreError::Kind::Unwritable, "the database cannot be reached: " + msg);
    }
    PQsetNoticeProcessor(c, [](void*, const char*) {}, nullptr);  // the server's notices are not the board's output
    return c;
  }

  PGconn* take() {
    std::unique_lock lock(poolMutex);
    poolFree.wait(lock, [&] { return !idle.empty() || open < pooledMax; });
    if (!idle.empty()) {
      PGconn* c = idle.back();
      idle.pop_back();
      return c;
    }
    ++open;
    lock.unlock();
    try {
      return connect();
    } catch (...) {
      lock.lock();
      --open;
      poolFree.notify_one();
      throw;
    }
  }

  void give(PGconn* c) {
    const bool keep = PQstatus(c) == CONNECTION_OK && PQtransactionStatus(c) == PQTRANS_IDLE;
    if (!keep) PQfinish(c);
    std::lock_guard lock(poolMutex);
    if (keep) idle.push_back(c);
    else --open;
    poolFree.notify_one();
  }

  // The database went away: its other connections are gone too.
  void dropIdle() {
    std::vector<PGconn*> gone;
    {
      std::lock_guard lock(poolMutex);
      gone.swap(idle);
      open -= gone.size();
      poolFree.notify_all();
    }
    for (PGconn* c : gone) PQfinish(c);
  }

  void migrate(PGconn* c) {
    exec(c, "SELECT pg_advisory_lock(" + std::to_string(migrationLock) + ")");
    try {
      exec(c, "CREATE TABLE IF NOT EXISTS migrations (number integer PRIMARY KEY, applied timestamptz NOT NULL)");
      ResultGuard r{PQexec(c, "SELECT coalesce(max(number), 0) FROM migrations")};
      check(c, r.r, PGRES_TUPLES_OK);
      const int have = static_cast<int>(toInt(PQgetvalue(r.r, 0, 0)));
      if (have > migrationCount)
        fail(StoreError::Kind::Broken, "the database is of a newer board (migration " + std::to_string(have) + ")");
      for (int n = have + 1; n <= migrationCount; ++n) {
        exec(c, "BEGIN");
        exec(c, migrations[n - 1]);
        exec(c, "INSERT INTO migrations VALUES (" + std::to_string(n) + ", now())");
        exec(c, "COMMIT");
      }
    } catch (...) {
      if (PQtransactionStatus(c) == PQTRANS_INERROR || PQtransactionStatus(c) == PQTRANS_INTRANS) {
        ResultGuard r{PQexec(c, "ROLLBACK")};
      }
      ResultGuard u{PQexec(c, ("SELECT pg_advisory_unlock(" + std::to_string(migrationLock) + ")").c_str())};
      throw;
    }
    exec(c, "SELECT pg_advisory_unlock(" + std::to_string(migrationLock) + ")");
  }

  // Reads the games stored and taken off since the last read, by any board. A call that
  // arrives while another reads waits for the next read: the one running may have begun
  // before the caller's last game was committed.
  void catchUp(PGconn* c) {
    const uint64_t mine = ++arrivals;
    std::lock_guard lock(syncMutex);
    if (readFor >= mine) return;
    const uint64_t covers = arrivals.load();
    for (;;) {
      const std::string from = std::to_string(lastGame), fromRemoval = std::to_string(lastRemoval),
                        chunk = std::to_string(readChunk);
      const char* values[] = {from.c_str(), fromRemoval.c_str(), chunk.c_str()};
      ResultGuard r{PQexecParams(c,
                                 "(SELECT 0, seq, board, score, 0 FROM games WHERE seq > $1 ORDER BY seq LIMIT $3)"
                                 " UNION ALL (SELECT 1, seq, board, score, game FROM removals WHERE seq > $2"
                                 " ORDER BY seq LIMIT $3)",
                                 3, nullptr, values, nullptr, nullptr, 0)};
      check(c, r.r, PGRES_TUPLES_OK);
      const int n = PQntuples(r.r);
      int64_t games = 0, removals = 0;
      std::map<std::string, std::vector<Ranking::Entry>> added;  // by board, to add at once
      std::vector<std::pair<std::string, Ranking::Entry>> gone;
      for (int i = 0; i < n; ++i) {
        const int64_t seq = toInt(PQgetvalue(r.r, i, 1)), score = toInt(PQgetvalue(r.r, i, 3));
        if (PQgetvalue(r.r, i, 0)[0] == '1') {
          ++removals;
          lastRemoval = std::max(lastRemoval, seq);
          gone.push_back({PQgetvalue(r.r, i, 2), {score, toInt(PQgetvalue(r.r, i, 4))}});
        } else {
          ++games;
          lastGame = std::max(lastGame, seq);
          added[PQgetvalue(r.r, i, 2)].push_back({score, seq});
        }
      }
      {
        // Games first: a game taken off since the last read may be among them.
        std::unique_lock order(orderMutex);
        for (auto& [board, entries] : added) boards[board].add(std::move(entries));
        for (const auto& [board, e] : gone) boards[board].remove(e);
      }
      if (!gone.empty()) {
        std::lock_guard cache(cacheMutex);
        for (const auto& [board, e] : gone) rows.erase(e.seq);
      }
      if (games < readChunk && removals < readChunk) break;
    }
    readFor = covers;
  }

  const std::string uri;

  std::mutex poolMutex;
  std::condition_variable poolFree;
  std::vector<PGconn*> idle;
  size_t open = 0;  // connections out or idle
  Clock::time_point nextConnect{};

  std::mutex syncMutex;  // one read of new games at a time
  std::atomic<uint64_t> arrivals{0};
  uint64_t readFor = 0;  // every call that arrived up to this one has been read for
  int64_t lastGame = 0, lastRemoval = 0;

  std::shared_mutex orderMutex;
  std::map<std::string, Ranking> boards;

  std::mutex cacheMutex;
  std::unordered_map<int64_t, Stored> rows;  // by seq
};

}  // namespace

std::unique_ptr<Store> openPostgres(const std::string& uri) { return std::make_unique<PostgresStore>(uri); }

}  // namespace zorvane::board
