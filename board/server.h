// The board's HTTP server: the API of board-api.md beside the page's files, on one thread
// of asynchronous input and output (so that slow clients cost memory, not threads), with a
// fixed pool of verifiers behind a bounded queue.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "board/store.h"

namespace zorvane::board {

struct ServerOptions {
  std::string host = "127.0.0.1";
  uint16_t port = 8000;               // 0: any free port (the one taken is announced)
  std::string site;                   // the page's folder; empty: none
  int rate = 30;                      // posts a minute from one address; 0: no limit
  std::string proxy;                  // the one peer whose X-Forwarded-For is trusted
  std::vector<std::string> origins;   // origins besides the board's own that may post
  int verifiers = 0;                  // replaying threads; 0: one per core
  size_t queue = 16;                  // posts waiting for a verifier, at most
};

// Serves until SIGTERM or SIGINT, then finishes the requests it has and returns 0. Writes
// "zorvane-board: listening on http://HOST:PORT/" to standard output once it listens.
// Returns 1 when it cannot listen.
int serve(const ServerOptions& options, Store& store);

}  // namespace zorvane::board
