// Where the board keeps its games: one small interface, an SQLite file by default. Every
// store ranks the games of a board by score (highest first), then by the order it stored
// them (earliest first); no two games share a rank. Each store applies its own numbered
// migrations when it is opened. Safe to call from several threads at once.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace zorvane::board {

// A game the board has replayed, to be stored.
struct NewGame {
  std::string key;        // the SHA-256 of the game's text (64 hex digits): one game, one entry
  std::string id;         // its id in paths: at most 32 characters of [A-Za-z0-9_-]
  std::string board;      // "builtin", or the 64 hex digits of its layouts
  std::string name;       // the poster's name, NFC
  int64_t score = 0;      // the proven score
  int64_t length = 0;     // game time, ms
  std::string posted;     // UTC, "2026-12-09T22:10:36Z"
  std::string recording;  // the bytes as posted
};

// Where a stored game stands on its board.
struct Standing {
  std::string id, board;
  int64_t score = 0, length = 0;
  int64_t rank = 0;  // from 1
  int64_t of = 0;    // the games on that board
};

// One row of a board's list.
struct Row {
  int64_t rank = 0;
  std::string id, name;
  int64_t score = 0, length = 0;
  std::string posted;
};

// A part of a board's list, best first.
struct Page {
  int64_t total = 0;      // the games on that board
  std::vector<Row> games;
};

// Why a store could not do what it was asked.
struct StoreError : std::runtime_error {
  enum class Kind { Unwritable, Full, Broken };  // read only or busy; out of room; anything else
  StoreError(Kind k, const std::string& what) : std::runtime_error(what), kind(k) {}
  Kind kind;
};

class Store {
 public:
  virtual ~Store() = default;
  // Stores the game unless one of the same key is stored (its first poster keeps it); the
  // standing of the stored one either way, `added` true when it is the new one. Once it
  // returns, the game is on disk. Throws StoreError.
  virtual Standing insert(const NewGame& game, bool& added) = 0;
  virtual Page list(const std::string& board, int64_t limit, int64_t offset) = 0;  // rows offset+1 .. offset+limit
  virtual std::optional<Standing> standing(const std::string& id) = 0;    // none: no such game
  virtual std::optional<std::string> recording(const std::string& id) = 0;  // its bytes as posted
  virtual bool remove(const std::string& id) = 0;  // false: no such game
};

// Opens `uri` ("sqlite:FILE", or a store another file adds), applying its migrations.
// Throws StoreError when it cannot be opened, or is of a newer board than this one.
std::unique_ptr<Store> openStore(const std::string& uri);

// The SQLite store: one file in WAL mode; each insert is on disk when it returns.
std::unique_ptr<Store> openSqlite(const std::string& path);

}  // namespace zorvane::board
