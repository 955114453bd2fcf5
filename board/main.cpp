// zorvane-board: the board of proven scores. Replays every posted recording before it lists
// it, and serves the lists, the recordings and (with --site) the page.
//   zorvane-board [--listen HOST:PORT] [--db DATABASE] [--site DIR] [--rate N] [--proxy ADDR]
//                 [--origin ORIGIN]... [--verifiers N] [--queue N]
//   zorvane-board [--db DATABASE] --remove ID
// Exit status: 0 stopped by SIGTERM or SIGINT (or a game removed), 1 the database cannot be
// opened or the address taken, 2 a bad command line.
#include <sys/resource.h>

#include <algorithm>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

#include "board/server.h"
#include "board/store.h"
#include "script/script.h"

namespace {

using zorvane::printable;
using namespace zorvane::board;

constexpr const char* usage =
    "usage: zorvane-board [--listen HOST:PORT] [--db DATABASE] [--site DIR] [--rate N] [--proxy ADDR] [--origin ORIGIN]..."
    " | --remove ID";

constexpr const char* helpText =
    "Usage: zorvane-board [OPTION]...\n"
    "The board of proven scores: replays every recording posted to it with the replay\n"
    "tool's rules and lists the games it proved, best first (see docs/board.md).\n"
    "\n"
    "  --listen=HOST:PORT  where to answer (default 127.0.0.1:8000; port 0: any free one)\n"
    "  --db=DATABASE       sqlite:FILE (default sqlite:zorvane-board.sqlite)\n"
    "  --site=DIR          serve the page's build from DIR at /\n"
    "  --rate=N            posts a minute from one address (default 30; 0: no limit)\n"
    "  --proxy=ADDR        trust X-Forwarded-For from the proxy at ADDR\n"
    "  --origin=ORIGIN     a page at ORIGIN (https://example.org) may post too; repeatable\n"
    "  --verifiers=N       replaying threads (default: one per core)\n"
    "  --queue=N           posts that may wait for a verifier (default 16; then 503)\n"
    "  --remove=ID         take the game ID off its board, and exit\n"
    "  -h, --help          display this help and exit\n"
    "      --version       output version information and exit\n"
    "\n"
    "Runs until SIGTERM or SIGINT, then finishes its requests and exits 0. Exit status 1:\n"
    "the database cannot be opened or the address cannot be taken; 2: a bad command line.\n";

struct Arguments {
  ServerOptions server;
  std::string db = "sqlite:zorvane-board.sqlite";
  std::string remove;
  bool help = false, version = false;
};

template <class T>
bool whole(std::string_view text, T lo, T hi, T& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc{} && end == text.data() + text.size() && !text.empty() && value >= lo && value <= hi;
}

bool parse(int argc, char** argv, Arguments& a, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") return a.help = true;
    if (arg == "--version") return a.version = true;
    if (!arg.starts_with("--")) return error = "unexpected argument \"" + printable(arg, 60) + "\"", false;
    const size_t eq = arg.find('=');
    const std::string name(arg.substr(0, eq));
    static constexpr std::string_view known[] = {"--listen", "--db", "--site", "--rate", "--proxy", "--origin",
                                                 "--verifiers", "--queue", "--remove"};
    if (std::find(std::begin(known), std::end(known), name) == std::end(known))
      return error = "unknown option " + printable(name, 60), false;
    std::string_view value;
    if (eq != std::string_view::npos) value = arg.substr(eq + 1);
    else if (i + 1 < argc) value = argv[++i];
    else return error = name + " needs a value", false;
    const std::string shown = "\"" + printable(value, 60) + "\"";
    if (name == "--listen") {
      const size_t colon = value.rfind(':');
      if (colon == std::string_view::npos || colon == 0 || !whole<uint16_t>(value.substr(colon + 1), 0, 65535, a.server.port))
        return error = "--listen takes HOST:PORT, not " + shown, false;
      std::string_view host = value.substr(0, colon);
      if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
      a.server.host = host;
    } else if (name == "--db") {
      if (!value.starts_with("sqlite:") && !value.starts_with("postgresql:") && !value.starts_with("postgres:"))
        return error = "--db takes sqlite:FILE or a postgresql:// URI, not " + shown, false;
      a.db = value;
    } else if (name == "--site") {
      if (value.empty()) return error = "--site needs a folder", false;
      a.server.site = value;
    } else if (name == "--rate") {
      if (!whole(value, 0, 1000000, a.server.rate)) return error = "--rate takes a whole number of posts a minute, not " + shown, false;
    } else if (name == "--proxy") {
      a.server.proxy = value;
    } else if (name == "--origin") {
      if (!value.starts_with("http://") && !value.starts_with("https://"))
        return error = "--origin takes http://HOST[:PORT] or https://HOST[:PORT], not " + shown, false;
      a.server.origins.emplace_back(value);
    } else if (name == "--verifiers") {
      if (!whole(value, 1, 256, a.server.verifiers)) return error = "--verifiers takes 1 to 256, not " + shown, false;
    } else if (name == "--queue") {
      if (!whole<size_t>(value, 1, 4096, a.server.queue)) return error = "--queue takes 1 to 4096, not " + shown, false;
    } else {
      if (value.empty()) return error = "--remove needs a game's id", false;
      a.remove = value;
    }
  }
  return true;
}

int run(int argc, char** argv) {
  Arguments args;
  std::string error;
  if (!parse(argc, argv, args, error)) {
    std::fprintf(stderr, "zorvane-board: %s (%s)\n", error.c_str(), usage);
    return 2;
  }
  if (args.help || args.version) {
    std::fputs(args.help ? helpText : "zorvane-board " ZORVANE_VERSION "\n", stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  std::unique_ptr<Store> store;
  try {
    store = openStore(args.db);
  } catch (const StoreError& e) {
    std::fprintf(stderr, "zorvane-board: %s\n", printable(e.what(), 300).c_str());
    return 1;
  }
  if (!args.remove.empty()) {
    try {
      if (!store->remove(args.remove)) {
        std::fprintf(stderr, "zorvane-board: no game %s\n", printable(args.remove, 60).c_str());
        return 1;
      }
    } catch (const StoreError& e) {
      std::fprintf(stderr, "zorvane-board: %s\n", printable(e.what(), 300).c_str());
      return 1;
    }
    std::printf("zorvane-board: removed %s\n", args.remove.c_str());
    return 0;
  }
  // Every connection is a descriptor: take as many as the system lets the process have.
  rlimit files{};
  if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
  }
  return serve(args.server, *store);
}

}  // namespace

int main(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);  // a file over its size limit fails the write (the disk is full)
  try {
    return run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zorvane-board: %s\n", printable(e.what(), 300).c_str());
    return 1;
  }
}
