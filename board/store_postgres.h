// The PostgreSQL store: several boards on one database. Each keeps the order of the games in
// memory (board/ranking.h) and brings it up to date from the database before it answers.
#pragma once
#include <memory>
#include <string>

#include "board/store.h"

namespace zorvane::board {

// Opens the database at `uri` ("postgresql://…" or "postgres://…"), applying its migrations
// (one board at a time) and reading the order of every board's games. Throws StoreError.
std::unique_ptr<Store> openPostgres(const std::string& uri);

}  // namespace zorvane::board
