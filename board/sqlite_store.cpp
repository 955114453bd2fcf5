// The SQLite store: one file in WAL mode with synchronous=FULL, so that a game is on disk
// when insert returns. One connection writes (behind a lock), and inserts that come together
// share one transaction and one sync; lists read on connections of their own, which WAL lets
// run beside the writer.
#include <sqlite3.h>

#include <cerrno>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

#include "board/store.h"
#include "board/store_postgres.h"
#include "script/script.h"

namespace zorvane::board {
namespace {

// The schema, one step a migration; a database's user_version counts the steps it has had.
// Never change a step once released: add one.
constexpr const char* migrations[] = {
    // 1: the games, and their recordings apart so that lists never read them.
    "CREATE TABLE games(seq INTEGER PRIMARY KEY AUTOINCREMENT, key TEXT NOT NULL UNIQUE,"
    " id TEXT NOT NULL UNIQUE, board TEXT NOT NULL, name TEXT NOT NULL, score INTEGER NOT NULL,"
    " length INTEGER NOT NULL, posted TEXT NOT NULL);"
    "CREATE TABLE recordings(seq INTEGER PRIMARY KEY, bytes BLOB NOT NULL);",
    // 2: a board's ranking read off an index.
    "CREATE INDEX games_rank ON games(board, score DESC, seq);",
};

StoreError failure(sqlite3* db, int rc, std::string_view doing) {
  const int primary = rc & 0xff, system = db ? sqlite3_system_errno(db) : 0;
  const std::string why = std::string(doing) + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
  // A write that fails is taken for a full disk (SQLite loses the errno of a short write, and
  // a file size limit or a quota fails the same way); a failing disk is told the same.
  if (primary == SQLITE_FULL || system == ENOSPC || system == EFBIG || system == EDQUOT || rc == SQLITE_IOERR_WRITE ||
      rc == SQLITE_IOERR_TRUNCATE || rc == SQLITE_IOERR_SHMSIZE)
    return {StoreError::Kind::Full, "the disk is full or failing (" + why + ")"};
  if (primary == SQLITE_READONLY || primary == SQLITE_BUSY || primary == SQLITE_LOCKED || primary == SQLITE_PERM ||
      primary == SQLITE_IOERR || primary == SQLITE_CANTOPEN)
    return {StoreError::Kind::Unwritable, "the database cannot be written (" + why + ")"};
  return {StoreError::Kind::Broken, "database fault (" + why + ")"};
}

// One prepared statement, its parameters bound in order.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) : db(db) {
    if (const int rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr)) throw failure(db, rc, "prepare");
  }
  ~Statement() { sqlite3_finalize(stmt); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& bind(std::string_view text) {
    check(sqlite3_bind_text(stmt, ++bound, text.data(), int(text.size()), SQLITE_TRANSIENT));
    return *this;
  }
  Statement& blob(std::string_view bytes) {
    check(sqlite3_bind_blob(stmt, ++bound, bytes.data(), int(bytes.size()), SQLITE_TRANSIENT));
    return *this;
  }
  Statement& bind(int64_t value) {
    check(sqlite3_bind_int64(stmt, ++bound, value));
    return *this;
  }
  bool row() {  // the next row; false at the end
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) return true;
    if (rc != SQLITE_DONE) throw failure(db, rc, "step");
    return false;
  }
  int64_t integer(int column) const { return sqlite3_column_int64(stmt, column); }
  std::string text(int column) const {
    const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt, column));
    return p ? std::string(p, size_t(sqlite3_column_bytes(stmt, column))) : std::string();
  }

 private:
  void check(int rc) const {
    if (rc) throw failure(db, rc, "bind");
  }
  sqlite3* db;
  sqlite3_stmt* stmt = nullptr;
  int bound = 0;
};

void exec(sqlite3* db, const char* sql, std::string_view doing) {
  if (const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr)) throw failure(db, rc, doing);
}

struct Connection {
  sqlite3* db = nullptr;
  explicit Connection(const std::string& path) {
    const int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                                   nullptr);
    if (rc) {
      const StoreError e(StoreError::Kind::Broken, "cannot open " + path + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)));
      sqlite3_close(db);
      throw e;
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, 5000);  // another process (--remove) may hold the write lock a moment
  }
  ~Connection() { sqlite3_close(db); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
};

constexpr const char* standingSql =
    "SELECT g.id, g.board, g.score, g.length,"
    " (SELECT count(*) FROM games h WHERE h.board = g.board AND (h.score > g.score OR (h.score = g.score AND h.seq < g.seq))) + 1,"
    " (SELECT count(*) FROM games h WHERE h.board = g.board) FROM games g WHERE ";

std::optional<Standing> standingOf(sqlite3* db, const char* where, auto value) {
  Statement s(db, (std::string(standingSql) + where).c_str());
  s.bind(value);
  if (!s.row()) return std::nullopt;
  return Standing{.id = s.text(0), .board = s.text(1), .score = s.integer(2), .length = s.integer(3), .rank = s.integer(4),
                  .of = s.integer(5)};
}

class SqliteStore final : public Store {
 public:
  explicit SqliteStore(std::string file) : path(std::move(file)), writer(path) {
    // WAL lets lists read while a game is written; FULL syncs the log at every commit.
    Statement(writer.db, "PRAGMA journal_mode=WAL").row();
    exec(writer.db, "PRAGMA synchronous=FULL", "set synchronous");
    migrate();
  }

  // Group commit: the inserts that arrive while one transaction is written go together into
  // the next, with one sync for all; each returns once its own is on disk.
  Standing insert(const NewGame& game, bool& added) override {
    Pending me;
    me.game = &game;
    std::unique_lock lock(grouping);
    waiting.push_back(&me);
    while (!me.done) {
      if (committing) {
        committed.wait(lock);
        continue;
      }
      committing = true;
      std::vector<Pending*> group;
      group.swap(waiting);
      lock.unlock();
      commit(group);
      lock.lock();
      for (Pending* p : group) p->done = true;
      committing = false;
      committed.notify_all();
    }
    if (me.error) std::rethrow_exception(me.error);
    added = me.added;
    return me.standing;
  }

  Page list(const std::string& board, int64_t limit, int64_t offset) override {
    Reader r(*this);
    Page page;
    Statement total(r->db, "SELECT count(*) FROM games WHERE board = ?");
    total.bind(board);
    total.row();
    page.total = total.integer(0);
    Statement rows(r->db,
                   "SELECT id, name, score, length, posted FROM games WHERE board = ? ORDER BY score DESC, seq LIMIT ? OFFSET ?");
    rows.bind(board).bind(limit).bind(offset);
    for (int64_t rank = offset + 1; rows.row(); ++rank)
      page.games.push_back(
          {.rank = rank, .id = rows.text(0), .name = rows.text(1), .score = rows.integer(2), .length = rows.integer(3), .posted = rows.text(4)});
    return page;
  }

  std::optional<Standing> standing(const std::string& id) override {
    Reader r(*this);
    return standingOf(r->db, "g.id = ?", std::string_view(id));
  }

  std::optional<std::string> recording(const std::string& id) override {
    Reader r(*this);
    Statement s(r->db, "SELECT r.bytes FROM recordings r JOIN games g ON g.seq = r.seq WHERE g.id = ?");
    s.bind(id);
    if (!s.row()) return std::nullopt;
    return s.text(0);
  }

  bool remove(const std::string& id) override {
    const std::lock_guard lock(writing);
    sqlite3* db = writer.db;
    exec(db, "BEGIN IMMEDIATE", "begin");
    try {
      Statement r(db, "DELETE FROM recordings WHERE seq IN (SELECT seq FROM games WHERE id = ?)");
      r.bind(id);
      r.row();
      Statement g(db, "DELETE FROM games WHERE id = ?");
      g.bind(id);
      g.row();
      const bool removed = sqlite3_changes(db) > 0;
      exec(db, "COMMIT", "commit");
      return removed;
    } catch (...) {
      sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
      throw;
    }
  }

 private:
  // A reading connection from the pool for the length of one call.
  class Reader {
   public:
    explicit Reader(SqliteStore& s) : store(s) {
      {
        const std::lock_guard lock(store.pooling);
        if (!store.pool.empty()) {
          connection = std::move(store.pool.back());
          store.pool.pop_back();
        }
      }
      if (!connection) connection = std::make_unique<Connection>(store.path);
    }
    ~Reader() {
      const std::lock_guard lock(store.pooling);
      if (store.pool.size() < 8) store.pool.push_back(std::move(connection));
    }
    Connection* operator->() const { return connection.get(); }

   private:
    SqliteStore& store;
    std::unique_ptr<Connection> connection;
  };

  struct Pending {
    const NewGame* game = nullptr;
    Standing standing;
    bool added = false, done = false;
    std::exception_ptr error;
  };

  void commit(const std::vector<Pending*>& group) {
    const std::lock_guard lock(writing);
    sqlite3* db = writer.db;
    try {
      exec(db, "BEGIN IMMEDIATE", "begin");
      std::vector<int64_t> seqs;
      try {
        for (Pending* p : group) {
          const NewGame& game = *p->game;
          int64_t seq = 0;
          {
            Statement known(db, "SELECT seq FROM games WHERE key = ?");
            known.bind(game.key);
            p->added = !known.row();
            if (!p->added) seq = known.integer(0);
          }
          if (p->added) {
            Statement g(db, "INSERT INTO games(key, id, board, name, score, length, posted) VALUES(?, ?, ?, ?, ?, ?, ?)");
            g.bind(game.key).bind(game.id).bind(game.board).bind(game.name).bind(game.score).bind(game.length).bind(game.posted);
            g.row();
            seq = sqlite3_last_insert_rowid(db);
            Statement r(db, "INSERT INTO recordings(seq, bytes) VALUES(?, ?)");
            r.bind(seq).blob(game.recording);
            r.row();
          }
          seqs.push_back(seq);
        }
        exec(db, "COMMIT", "commit");
      } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
      }
      for (size_t i = 0; i < group.size(); ++i) group[i]->standing = *standingOf(db, "g.seq = ?", seqs[i]);
    } catch (...) {
      for (Pending* p : group) p->error = std::current_exception();
    }
  }

  void migrate() {
    int64_t have = 0;
    {
      Statement version(writer.db, "PRAGMA user_version");
      version.row();
      have = version.integer(0);
    }
    const int64_t known = std::size(migrations);
    if (have > known)
      throw StoreError(StoreError::Kind::Broken, path + " was made by a newer board (schema " + std::to_string(have) +
                                                     ", this board knows " + std::to_string(known) + ")");
    for (int64_t step = have; step < known; ++step) {
      exec(writer.db, "BEGIN IMMEDIATE", "migrate");
      try {
        exec(writer.db, migrations[step], "migrate");
        exec(writer.db, ("PRAGMA user_version = " + std::to_string(step + 1)).c_str(), "migrate");
        exec(writer.db, "COMMIT", "migrate");
      } catch (...) {
        sqlite3_exec(writer.db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
      }
    }
  }

  std::string path;
  Connection writer;
  std::mutex writing;
  std::mutex grouping;
  std::condition_variable committed;
  std::vector<Pending*> waiting;
  bool committing = false;
  std::mutex pooling;
  std::vector<std::unique_ptr<Connection>> pool;
};

}  // namespace

std::unique_ptr<Store> openSqlite(const std::string& path) { return std::make_unique<SqliteStore>(path); }

std::unique_ptr<Store> openStore(const std::string& uri) {
  if (uri.starts_with("sqlite:")) return openSqlite(uri.substr(7));
  if (uri.starts_with("postgresql://") || uri.starts_with("postgres://")) return openPostgres(uri);
  throw StoreError(StoreError::Kind::Broken, "unknown database \"" + printable(uri, 60) + "\" (sqlite:FILE)");
}

}  // namespace zorvane::board
