// A real PostgreSQL server for the board's tests and benchmarks: Debian's binaries, a folder
// and a free port of its own, run as an unprivileged user when we are root (PostgreSQL
// refuses root), removed with this object.
#pragma once
#include <string>

namespace zorvane::board {

class PostgresServer {
 public:
  // initdb and start; throws std::runtime_error with the reason. Not `durable`: without
  // fsync, which a stop with -m immediate does not need (the system keeps the files).
  explicit PostgresServer(bool durable = false);
  ~PostgresServer();  // stops it at once and removes its folder
  PostgresServer(const PostgresServer&) = delete;
  PostgresServer& operator=(const PostgresServer&) = delete;

  void stop(const char* mode = "fast");  // pg_ctl stop -m MODE ("immediate": as if it crashed)
  void start();                          // starts again on the same folder and port; waits until it accepts
  std::string uri(const std::string& database = "postgres") const;  // postgresql://…
  std::string freshDatabase();           // a new empty database's URI
  void sql(const std::string& statement, const std::string& database = "postgres");  // through psql; throws

 private:
  std::string folder;  // the data in folder/data, its log in folder/log
  int port = 0;
  int databases = 0;
  bool durable = false;
  int watchdog = 0;  // the process that cleans up after this one
  int alive = -1;    // its pipe: closed when this process ends
};

// The folder of PostgreSQL's programs (ZORVANE_PG_BIN, or Debian's for PostgreSQL 15).
std::string postgresBin();

}  // namespace zorvane::board
