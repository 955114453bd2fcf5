#include "tools/postgres_server.h"

#include <fcntl.h>
#include <grp.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>
#include <vector>

namespace zorvane::board {
namespace {

// Runs a program and waits for it, as `nobody` when we are root; its output goes to `log`.
int run(std::vector<std::string> args, const std::string& log) {
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    if (geteuid() == 0) {
      const passwd* pw = getpwnam("nobody");
      if (!pw || setgroups(0, nullptr) != 0 || setgid(pw->pw_gid) != 0 || setuid(pw->pw_uid) != 0) _exit(126);
    }
    if (!log.empty()) {
      if (!freopen(log.c_str(), "a", stdout) || dup2(fileno(stdout), 2) < 0) _exit(126);
    }
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int freePort() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (s < 0 || bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0)
    throw std::runtime_error("no free port");
  close(s);
  return ntohs(a.sin_port);
}

}  // namespace

std::string postgresBin() {
  const char* env = std::getenv("ZORVANE_PG_BIN");
  return env && *env ? env : "/usr/lib/postgresql/15/bin";
}

PostgresServer::PostgresServer(bool durable) : durable(durable) {
  const std::string bin = postgresBin();
  if (!std::filesystem::exists(bin + "/initdb"))
    throw std::runtime_error("PostgreSQL is not installed (" + bin + "/initdb): run scripts/setup.sh");
  char pattern[] = "/tmp/zorvane-pg-XXXXXX";
  if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
  folder = pattern;
  if (geteuid() == 0) {
    const passwd* pw = getpwnam("nobody");
    if (!pw || chown(folder.c_str(), pw->pw_uid, pw->pw_gid) != 0) throw std::runtime_error("cannot give " + folder + " to nobody");
  }
  if (run({bin + "/initdb", "-D", folder + "/data", "-U", "zorvane", "--auth=trust", "-E", "UTF8", "--locale=C.UTF-8", "-N"},
          folder + "/initdb.log") != 0)
    throw std::runtime_error("initdb failed: see " + folder + "/initdb.log");
  port = freePort();
  // A watchdog stops the server and removes its folder once this process is gone, however it
  // ends (a crashed test too): it waits for the end of a pipe only this process holds.
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  const std::string asUser = geteuid() == 0 ? "setpriv --reuid=nobody --regid=nogroup --clear-groups " : "";
  const std::string script = "cat >/dev/null; " + asUser + bin + "/pg_ctl -D '" + folder + "/data' -m immediate -w stop >/dev/null 2>&1; rm -rf '" + folder + "'";
  watchdog = fork();
  if (watchdog < 0) throw std::runtime_error("fork failed");
  if (watchdog == 0) {
    dup2(fds[0], 0);
    setsid();  // not stopped with the tests' process group
    execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[0]);
  alive = fds[1];
  start();
}

PostgresServer::~PostgresServer() {
  close(alive);
  int status = 0;
  waitpid(watchdog, &status, 0);
}

void PostgresServer::start() {
  const std::string bin = postgresBin();
  const std::string options = "-p " + std::to_string(port) + " -k " + folder +
                              " -c listen_addresses=127.0.0.1 -c max_connections=200" +
                              (durable ? "" : " -c fsync=off");
  if (run({bin + "/pg_ctl", "-D", folder + "/data", "-l", folder + "/log", "-o", options, "-W", "start"}, folder + "/pg_ctl.log") != 0)
    throw std::runtime_error("pg_ctl start failed: see " + folder + "/log");
  // Ready when pg_isready says so; each try waits for the server's answer, at most a second.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (run({bin + "/pg_isready", "-q", "-U", "zorvane", "-h", "127.0.0.1", "-p", std::to_string(port), "-t", "1"}, "") != 0) {
    if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("PostgreSQL did not start: see " + folder + "/log");
    if (run({bin + "/pg_ctl", "-D", folder + "/data", "status"}, "/dev/null") == 4)
      throw std::runtime_error("PostgreSQL's folder is not usable: see " + folder + "/log");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void PostgresServer::stop(const char* mode) {
  run({postgresBin() + "/pg_ctl", "-D", folder + "/data", "-m", mode, "-w", "stop"}, "/dev/null");
}

std::string PostgresServer::uri(const std::string& database) const {
  return "postgresql://zorvane@127.0.0.1:" + std::to_string(port) + "/" + database;
}

std::string PostgresServer::freshDatabase() {
  const std::string name = "games" + std::to_string(++databases);
  sql("CREATE DATABASE " + name);
  return uri(name);
}

void PostgresServer::sql(const std::string& statement, const std::string& database) {
  if (run({postgresBin() + "/psql", "-q", "-v", "ON_ERROR_STOP=1", "-d", uri(database), "-c", statement}, folder + "/psql.log") != 0)
    throw std::runtime_error("psql failed: " + statement);
}

}  // namespace zorvane::board
