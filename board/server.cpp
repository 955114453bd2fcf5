#include "board/server.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <unistd.h>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "board/digest.h"
#include "board/post.h"
#include "script/script.h"

namespace zorvane::board {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;

constexpr auto headerTime = std::chrono::seconds(10);   // from the first byte a request may take to its last header
constexpr auto bodyTime = std::chrono::seconds(60);     // for its body (8 MiB at about 1 Mbit/s)
constexpr auto writeTime = std::chrono::seconds(30);    // for an answer to be taken
constexpr size_t headerLimit = 16 * 1024;
constexpr size_t bodiesInFlight = size_t{256} << 20;    // bodies being read at once, at most
constexpr int64_t dailyBytes = int64_t{64} << 20;       // what one address may store a day
constexpr size_t mostFileBytes = size_t{64} << 20;      // the largest file of the site served
constexpr std::string_view boardMark = "<meta name=\"zorvane-board\">";

// ---- Answers ----

std::string jsonText(std::string_view text) {
  static constexpr char hexDigits[] = "0123456789abcdef";
  std::string out = "\"";
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') (out += '\\') += ch;
    else if (c < 0x20) out += std::string("\\u00") + hexDigits[c >> 4] + hexDigits[c & 15];
    else out += ch;
  }
  return out + '"';
}

std::string standingJson(const Standing& s) {
  return "{\"id\":" + jsonText(s.id) + ",\"board\":" + jsonText(s.board) + ",\"score\":" + std::to_string(s.score) +
         ",\"length\":" + std::to_string(s.length) + ",\"rank\":" + std::to_string(s.rank) + ",\"of\":" +
         std::to_string(s.of) + "}";
}

std::string pageJson(const std::string& board, const Page& page) {
  std::string out = "{\"board\":" + jsonText(board) + ",\"total\":" + std::to_string(page.total) + ",\"games\":[";
  for (size_t i = 0; i < page.games.size(); ++i) {
    const Row& r = page.games[i];
    out += (i ? ",{" : "{") + std::string("\"rank\":") + std::to_string(r.rank) + ",\"id\":" + jsonText(r.id) +
           ",\"name\":" + jsonText(r.name) + ",\"score\":" + std::to_string(r.score) + ",\"length\":" +
           std::to_string(r.length) + ",\"posted\":" + jsonText(r.posted) + "}";
  }
  return out + "]}";
}

// One answer: status, JSON or other body, and a Retry-After when there is one.
struct Answer {
  http::status status = http::status::ok;
  std::string body;
  std::string type = "application/json";
  int retryAfter = 0;  // seconds; 0: none
  std::string encoding = {}, cache = "no-store";
  bool close = false;  // the connection ends after it
};

Answer json(http::status status, std::string body) { return {.status = status, .body = std::move(body)}; }
Answer error(http::status status, std::string_view why, int64_t line = 0, int retryAfter = 0) {
  Answer a = json(status, "{\"error\":" + jsonText(why) + (line > 0 ? ",\"line\":" + std::to_string(line) : "") + "}");
  a.retryAfter = retryAfter;
  return a;
}

std::string utcNow() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  gmtime_r(&now, &parts);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
  return text;
}

// The value of `key` in a query string; none when absent; `repeated` when there are two.
std::optional<std::string_view> queryValue(std::string_view query, std::string_view key, bool& repeated) {
  std::optional<std::string_view> found;
  while (!query.empty()) {
    const size_t amp = query.find('&');
    const std::string_view pair = query.substr(0, amp);
    query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
    const size_t eq = pair.find('=');
    if (pair.substr(0, eq) != key) continue;
    if (found) repeated = true;
    found = eq == std::string_view::npos ? std::string_view() : pair.substr(eq + 1);
  }
  return found;
}

// A list parameter: absent gives `fallback`; false when it is not a whole number in [lo, hi].
bool listParameter(std::string_view query, std::string_view key, int64_t lo, int64_t hi, int64_t fallback, int64_t& value) {
  bool repeated = false;
  const std::optional<std::string_view> text = queryValue(query, key, repeated);
  if (repeated) return false;
  if (!text) return value = fallback, true;
  const auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), value);
  return ec == std::errc{} && end == text->data() + text->size() && !text->empty() && value >= lo && value <= hi;
}

bool isGameId(std::string_view id) {
  if (id.empty() || id.size() > 32) return false;
  for (const char c : id)
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-')) return false;
  return true;
}

// ---- The page's files, as web/serve.mjs serves them ----

std::string contentType(std::string_view file) {
  static const std::pair<std::string_view, std::string_view> types[] = {
      {".html", "text/html; charset=utf-8"}, {".js", "text/javascript; charset=utf-8"},
      {".mjs", "text/javascript; charset=utf-8"}, {".wasm", "application/wasm"}, {".ttf", "font/ttf"},
      {".woff", "font/woff"}, {".woff2", "font/woff2"}, {".png", "image/png"},
      {".webmanifest", "application/manifest+json"}, {".css", "text/css; charset=utf-8"},
      {".txt", "text/plain; charset=utf-8"}, {".replay", "text/plain; charset=utf-8"}};
  for (const auto& [ext, type] : types)
    if (file.ends_with(ext)) return std::string(type);
  return "application/octet-stream";
}

// NAME.HASH.EXT: a file named by its content may be kept a year.
bool hashNamed(std::string_view file) {
  const size_t ext = file.rfind('.');
  if (ext == std::string_view::npos || ext == 0) return false;
  const size_t dot = file.rfind('.', ext - 1);
  if (dot == std::string_view::npos || ext - dot - 1 < 8 || ext - dot - 1 > 64) return false;
  for (size_t i = dot + 1; i < ext; ++i)
    if (!((file[i] >= '0' && file[i] <= '9') || (file[i] >= 'a' && file[i] <= 'f'))) return false;
  return true;
}

// The bytes of `file` when it is a regular file inside `root` (links followed, then checked).
std::optional<std::string> readInside(const std::string& root, const std::string& file) {
  char* real = realpath(file.c_str(), nullptr);
  if (!real) return std::nullopt;
  const std::string resolved = real;
  std::free(real);
  if (!resolved.starts_with(root + "/")) return std::nullopt;
  const int fd = open(resolved.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st{};
  std::optional<std::string> data;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && size_t(st.st_size) <= mostFileBytes) {
    std::string bytes(size_t(st.st_size), '\0');
    size_t got = 0;
    for (ssize_t n; got < bytes.size() && (n = read(fd, bytes.data() + got, bytes.size() - got)) > 0;) got += size_t(n);
    if (got == bytes.size()) data = std::move(bytes);
  }
  close(fd);
  return data;
}

std::string percentDecoded(std::string_view text, bool& bad) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    unsigned value = 0;
    if (i + 2 >= text.size() || std::from_chars(text.data() + i + 1, text.data() + i + 3, value, 16).ptr != text.data() + i + 3) {
      bad = true;
      return {};
    }
    out += char(value);
    i += 2;
  }
  return out;
}

Answer siteFile(const std::string& root, std::string_view target, std::string_view acceptEncoding) {
  bool bad = false;
  std::string name = percentDecoded(target.substr(0, target.find('?')), bad);
  if (bad || name.find('\0') != std::string::npos || !name.starts_with("/")) return error(http::status::bad_request, "bad request");
  for (size_t at = 0; (at = name.find("/..", at)) != std::string::npos; ++at)
    if (at + 3 == name.size() || name[at + 3] == '/') return error(http::status::forbidden, "outside the site");
  if (name.ends_with('/')) name += "index.html";
  const std::string file = root + name;
  Answer a;
  a.type = contentType(name);
  a.cache = hashNamed(name) ? "public, max-age=31536000, immutable" : "no-cache";
  if (name.ends_with("/index.html")) {
    // The page learns that a board serves it: only then does it show the board.
    std::optional<std::string> page = readInside(root, file);
    if (!page) return error(http::status::not_found, "not found");
    const size_t head = page->find("<head>");
    page->insert(head == std::string::npos ? 0 : head + 6, std::string(boardMark));
    a.body = std::move(*page);
    return a;
  }
  for (const auto& [encoding, suffix] : {std::pair{"br", ".br"}, std::pair{"gzip", ".gz"}}) {
    if (acceptEncoding.find(encoding) == std::string_view::npos) continue;
    if (std::optional<std::string> data = readInside(root, file + suffix)) {
      a.body = std::move(*data);
      a.encoding = encoding;
      return a;
    }
  }
  std::optional<std::string> data = readInside(root, file);
  if (!data) return error(http::status::not_found, "not found");
  a.body = std::move(*data);
  return a;
}

// ---- Threads: the verifiers, a fixed pool behind a bounded queue, and the writers ----

class Pool {
 public:
  // `yielding`: its threads give way to the thread that answers requests (a lower priority).
  Pool(int threads, size_t queueLimit, bool yielding) : limit(queueLimit) {
    for (int i = 0; i < threads; ++i)
      workers.emplace_back([this, yielding] {
        if (yielding) setpriority(PRIO_PROCESS, pid_t(syscall(SYS_gettid)), 5);
        work();
      });
  }
  ~Pool() {
    {
      const std::lock_guard lock(mutex);
      stopping = true;
    }
    ready.notify_all();
    for (std::thread& t : workers) t.join();
  }
  bool tryPush(std::function<void()> job) {  // false: the queue is full
    {
      const std::lock_guard lock(mutex);
      if (jobs.size() >= limit) return false;
      jobs.push_back(std::move(job));
    }
    ready.notify_one();
    return true;
  }
  void push(std::function<void()> job) {  // waits for room
    {
      std::unique_lock lock(mutex);
      room.wait(lock, [&] { return jobs.size() < limit; });
      jobs.push_back(std::move(job));
    }
    ready.notify_one();
  }

 private:
  void work() {
    for (;;) {
      std::function<void()> job;
      {
        std::unique_lock lock(mutex);
        ready.wait(lock, [&] { return stopping || !jobs.empty(); });
        if (jobs.empty()) return;
        job = std::move(jobs.front());
        jobs.pop_front();
      }
      room.notify_one();
      job();
    }
  }
  std::mutex mutex;
  std::condition_variable ready, room;
  std::deque<std::function<void()>> jobs;
  size_t limit;
  bool stopping = false;
  std::vector<std::thread> workers;
};

// ---- Addresses: posts a minute and bytes a day, in memory only ----

class Limits {
 public:
  explicit Limits(int perMinute) : rate(perMinute) {}

  // Seconds to wait before another post from `address`, or 0 when it may post now (and is counted).
  int takePost(const std::string& address) {
    if (rate <= 0) return 0;
    Entry& e = entry(address);
    const auto now = Clock::now();
    const double minutes = std::chrono::duration<double>(now - e.last).count() / 60;
    e.tokens = std::min<double>(rate, e.tokens + minutes * rate);
    e.last = now;
    if (e.tokens >= 1) {
      e.tokens -= 1;
      return 0;
    }
    return std::max(1, int((1 - e.tokens) * 60 / rate + 0.999));
  }
  // Seconds until `address` may store `bytes` more today; 0 when it may.
  int roomFor(const std::string& address, size_t bytes) {
    Entry& e = entry(address);
    const auto now = Clock::now();
    if (now - e.dayStart >= std::chrono::hours(24)) e.dayStart = now, e.stored = 0;
    if (e.stored + int64_t(bytes) <= dailyBytes) return 0;
    return std::max<int>(1, int(std::chrono::duration_cast<std::chrono::seconds>(e.dayStart + std::chrono::hours(24) - now).count()));
  }
  void stored(const std::string& address, size_t bytes) { entry(address).stored += int64_t(bytes); }

 private:
  struct Entry {
    double tokens = 0;
    Clock::time_point last, dayStart;
    int64_t stored = 0;
  };
  Entry& entry(const std::string& address) {
    if (table.size() > 100000) prune();
    auto [it, fresh] = table.try_emplace(address);
    if (fresh) {
      it->second.tokens = rate;
      it->second.last = it->second.dayStart = Clock::now();
    }
    return it->second;
  }
  void prune() {  // forgets addresses whose minute and day have run out
    const auto now = Clock::now();
    std::erase_if(table, [&](const auto& kv) {
      return now - kv.second.last > std::chrono::minutes(1) && now - kv.second.dayStart > std::chrono::hours(24);
    });
  }
  int rate;
  std::unordered_map<std::string, Entry> table;
};

// ---- Connections ----

class Server;

class Session : public std::enable_shared_from_this<Session> {
 public:
  Session(tcp::socket socket, Server& server);
  ~Session();
  void start() { readHeader(); }
  void stopIfIdle() {  // the board stops: a connection between requests ends now
    if (idle) stream.socket().close();
  }

 private:
  void readHeader();
  void onHeader(beast::error_code ec, size_t);
  void onBody(beast::error_code ec, size_t);
  void route();
  void post();
  using Work = asio::executor_work_guard<asio::io_context::executor_type>;
  static void answerFromPool(std::shared_ptr<Session> self, Answer answer, size_t stored, Work& work);
  void posted(Answer answer, size_t stored);
  void send(Answer answer);
  void onWritten(bool close, beast::error_code ec, size_t);
  void linger();
  void drainMore();
  void release();

  beast::tcp_stream stream;
  beast::flat_buffer buffer;
  std::optional<http::request_parser<http::string_body>> parser;
  std::shared_ptr<http::response<http::string_body>> response;
  Server& server;
  std::string peer;          // the connection's other end
  std::string address;       // the client's of the post being answered, as the board trusts it
  std::string name;          // the post's name
  size_t reserved = 0;       // bytes of bodiesInFlight this request holds
  bool idle = true;          // between requests
  bool keepAlive = false;    // the request asks to keep the connection
  std::array<char, 4096> drain{};
};

class Server {
 public:
  Server(const ServerOptions& o, Store& s)
      : options(o), store(s), limits(o.rate), acceptor(io), signals(io, SIGINT, SIGTERM),
        verifiers(o.verifiers > 0 ? o.verifiers : int(std::max(1u, std::thread::hardware_concurrency())), o.queue, true),
        writers(4, 64, false) {
    if (!o.site.empty()) {
      char* real = realpath(o.site.c_str(), nullptr);
      if (real) site = real;
      std::free(real);
    }
  }

  int run() {
    beast::error_code ec;
    const auto where = asio::ip::make_address(options.host, ec);
    if (ec) return say("cannot listen on " + printable(options.host, 60) + ": not an address"), 1;
    const tcp::endpoint endpoint(where, options.port);
    acceptor.open(endpoint.protocol(), ec);
    if (!ec) acceptor.set_option(asio::socket_base::reuse_address(true), ec);
    if (!ec) acceptor.bind(endpoint, ec);
    if (!ec) acceptor.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) return say("cannot listen on " + printable(options.host, 60) + ":" + std::to_string(options.port) + ": " + ec.message()), 1;
    const tcp::endpoint bound = acceptor.local_endpoint();
    const std::string host = bound.address().is_v6() ? "[" + bound.address().to_string() + "]" : bound.address().to_string();
    std::printf("zorvane-board: listening on http://%s:%u/\n", host.c_str(), unsigned(bound.port()));
    std::fflush(stdout);
    signals.async_wait([this](beast::error_code, int) { stop(); });
    accept();
    io.run();
    return 0;
  }

  const ServerOptions& options;
  Store& store;
  Limits limits;
  std::string site;            // the site's folder, resolved; empty: none
  asio::io_context io{1};
  size_t inFlight = 0;         // body bytes reserved by requests being read
  bool stopping = false;
  std::unordered_set<Session*> sessions;
  tcp::acceptor acceptor;
  asio::signal_set signals;
  Pool verifiers;  // replay posts, one thread a core
  Pool writers;    // store what the verifiers proved: waiting on the disk, not on a core

 private:
  static void say(const std::string& line) { std::fprintf(stderr, "zorvane-board: %s\n", line.c_str()); }
  void accept() {
    acceptor.async_accept([this](beast::error_code ec, tcp::socket socket) {
      if (stopping) return;
      if (!ec) {
        // Past the descriptors the process may hold, a new connection is turned away at once.
        if (sessions.size() < maxSessions()) std::make_shared<Session>(std::move(socket), *this)->start();
      } else if (ec == asio::error::no_descriptors) {
        // Out of descriptors: try again once a connection has ended.
        asio::post(io, [this] { accept(); });
        return;
      }
      accept();
    });
  }
  static size_t maxSessions() {
    static const size_t most = [] {
      const long open = sysconf(_SC_OPEN_MAX);
      return open > 200 ? size_t(open - 100) : size_t(100);
    }();
    return most;
  }
  void stop() {
    stopping = true;
    beast::error_code ec;
    acceptor.close(ec);
    for (Session* s : sessions) s->stopIfIdle();
  }
};

Session::Session(tcp::socket socket, Server& s) : stream(std::move(socket)), server(s) {
  server.sessions.insert(this);
  beast::error_code ec;
  const tcp::endpoint end = stream.socket().remote_endpoint(ec);
  peer = ec ? "?" : end.address().to_string();
}

Session::~Session() {
  release();
  server.sessions.erase(this);
}

void Session::release() {
  server.inFlight -= reserved;
  reserved = 0;
}

void Session::readHeader() {
  idle = true;
  if (server.stopping) return stream.socket().close();
  parser.emplace();
  parser->header_limit(headerLimit);
  parser->body_limit(UINT64_MAX);  // the header first: the checks before the size's come first
  stream.expires_after(headerTime);
  http::async_read_header(stream, buffer, *parser, beast::bind_front_handler(&Session::onHeader, shared_from_this()));
}

void Session::onHeader(beast::error_code ec, size_t) {
  idle = false;
  keepAlive = !ec && parser->get().keep_alive();
  if (ec == http::error::header_limit) return send([] { Answer a = error(http::status::request_header_fields_too_large, "the headers are too long"); a.close = true; return a; }());
  if (ec == http::error::end_of_stream || ec == beast::error::timeout || ec == asio::error::operation_aborted) return;
  if (ec) return send([] { Answer a = error(http::status::bad_request, "bad request"); a.close = true; return a; }());
  route();
}

void Session::route() {
  const auto& req = parser->get();
  const std::string_view target = req.target();
  const size_t q = target.find('?');
  const std::string_view path = target.substr(0, q), query = q == std::string_view::npos ? std::string_view() : target.substr(q + 1);
  const bool api = path.starts_with("/api/");
  const bool body = parser->content_length().value_or(0) > 0 || parser->chunked();

  if (api) {
    // A page of another origin may send a simple POST without asking first: only the board's
    // own page and the origins the operator named may use the API.
    if (const auto origin = req.find(http::field::origin); origin != req.end()) {
      const std::string_view o = origin->value(), host = req[http::field::host];
      bool allowed = !host.empty() && (o == "http://" + std::string(host) || o == "https://" + std::string(host));
      for (const std::string& extra : server.options.origins) allowed = allowed || o == extra;
      if (!allowed) {
        Answer a = error(http::status::forbidden, "posts from this origin are not taken");
        a.close = body;
        return send(std::move(a));
      }
    }
  }

  if (req.method() == http::verb::post && path == "/api/v1/games") return post();
  if (req.method() != http::verb::get) {
    Answer a = error(http::status::method_not_allowed, "no such request");
    a.close = true;
    return send(std::move(a));
  }
  Answer a;
  try {
    if (path.starts_with("/api/v1/boards/")) {
      const std::string board(path.substr(15));
      int64_t limit = 0, offset = 0;
      if (!isBoardName(board)) a = error(http::status::not_found, "no such board");
      else if (!listParameter(query, "limit", 1, 100, 100, limit) || !listParameter(query, "offset", 0, INT64_MAX, 0, offset))
        a = error(http::status::bad_request, "limit is 1 to 100 and offset 0 or more");
      else a = json(http::status::ok, pageJson(board, server.store.list(board, limit, offset)));
    } else if (path.starts_with("/api/v1/games/")) {
      const std::string id(path.substr(14));
      std::optional<std::string> bytes = isGameId(id) ? server.store.recording(id) : std::nullopt;
      if (!bytes) a = error(http::status::not_found, "no such game");
      else a = {.status = http::status::ok, .body = std::move(*bytes), .type = "text/plain; charset=utf-8", .retryAfter = 0, .encoding = {}, .cache = "public, max-age=3600", .close = false};
    } else if (api || server.site.empty()) {
      a = error(http::status::not_found, "not found");
    } else {
      a = siteFile(server.site, target, req[http::field::accept_encoding]);
    }
  } catch (const StoreError& e) {
    a = error(http::status::service_unavailable, e.what(), 0, 10);
  }
  a.close = a.close || body;  // a body a GET should not have is not read
  send(std::move(a));
}

void Session::post() {
  const auto& req = parser->get();
  const std::string_view target = req.target();
  const size_t q = target.find('?');
  std::string why;
  const auto refuse = [&](Answer a) {
    a.close = true;  // the body is not read
    send(std::move(a));
  };
  if (!readName(q == std::string_view::npos ? std::string_view() : target.substr(q + 1), name, why))
    return refuse(error(http::status::bad_request, why));

  // The address: the peer's, or behind the trusted proxy the last one it forwarded for.
  address = peer;
  if (!server.options.proxy.empty() && peer == server.options.proxy) {
    const std::string_view forwarded = req["X-Forwarded-For"];
    if (!forwarded.empty()) {
      std::string_view last = forwarded.substr(forwarded.rfind(',') + 1);
      while (!last.empty() && last.front() == ' ') last.remove_prefix(1);
      while (!last.empty() && last.back() == ' ') last.remove_suffix(1);
      if (!last.empty()) address = std::string(last.substr(0, 64));
    }
  }
  if (const int wait = server.limits.takePost(address))
    return refuse(error(http::status::too_many_requests, "too many posts from your address; try again later", 0, wait));

  std::optional<uint64_t> declared;
  if (parser->content_length()) declared = *parser->content_length();
  if (declared && *declared > maxRecordingBytes) return refuse(error(http::status::payload_too_large, "a recording is at most 8 MiB"));
  if (req.find(http::field::content_encoding) != req.end())
    return refuse(error(http::status::unsupported_media_type, "send the recording as plain text, not compressed"));
  reserved = declared ? size_t(*declared) : maxRecordingBytes;
  if (server.inFlight + reserved > bodiesInFlight) {
    reserved = 0;
    return refuse(error(http::status::service_unavailable, "the board is busy; try again shortly", 0, 5));
  }
  server.inFlight += reserved;
  parser->body_limit(maxRecordingBytes);

  auto read = [self = shared_from_this()] {
    self->stream.expires_after(bodyTime);
    http::async_read(self->stream, self->buffer, *self->parser, beast::bind_front_handler(&Session::onBody, self));
  };
  if (beast::iequals(req[http::field::expect], "100-continue")) {
    auto cont = std::make_shared<http::response<http::empty_body>>(http::status::continue_, 11);
    stream.expires_after(writeTime);
    return http::async_write(stream, *cont, [cont, read](beast::error_code ec, size_t) {
      if (!ec) read();
    });
  }
  read();
}

void Session::onBody(beast::error_code ec, size_t) {
  if (ec == http::error::body_limit) {
    Answer a = error(http::status::payload_too_large, "a recording is at most 8 MiB");
    a.close = true;
    return send(std::move(a));
  }
  if (ec) return;
  std::string text = parser->release().body();
  release();
  if (const int wait = server.limits.roomFor(address, text.size()))
    return send(error(http::status::too_many_requests, "your address has stored 64 MiB today; try again later", 0, wait));

  auto work = asio::make_work_guard(server.io);
  auto job = [self = shared_from_this(), text = std::move(text), work]() mutable {
    Verdict v = verify(text);
    if (!v.good) return answerFromPool(std::move(self), error(http::status::unprocessable_entity, v.error, v.line), 0, work);
    Server& server = self->server;
    server.writers.push([self = std::move(self), v = std::move(v), text = std::move(text), work]() mutable {
      Answer answer;
      size_t stored = 0;
      const size_t size = text.size();
      try {
        bool added = false;
        const Standing s = self->server.store.insert(
            {.key = v.key, .id = v.id, .board = v.board, .name = self->name, .score = v.score, .length = v.length,
             .posted = utcNow(), .recording = std::move(text)},
            added);
        answer = json(added ? http::status::created : http::status::ok, standingJson(s));
        if (added) stored = size;
      } catch (const StoreError& e) {
        answer = e.kind == StoreError::Kind::Full ? error(http::status::insufficient_storage, e.what())
                                                  : error(http::status::service_unavailable, e.what(), 0, 60);
      }
      answerFromPool(std::move(self), std::move(answer), stored, work);
    });
  };
  if (!server.verifiers.tryPush(std::move(job)))
    send(error(http::status::service_unavailable, "the board is busy verifying; try again shortly", 0, 2));
}

// From a verifier or a writer: the answer goes to the thread that answers, and the session
// lives on there alone.
void Session::answerFromPool(std::shared_ptr<Session> self, Answer answer, size_t stored, Work& work) {
  asio::io_context& io = self->server.io;
  asio::post(io, [self = std::move(self), answer = std::move(answer), stored]() mutable {
    self->posted(std::move(answer), stored);
  });
  work.reset();
}

void Session::posted(Answer answer, size_t stored) {
  if (stored > 0) server.limits.stored(address, stored);
  send(std::move(answer));
}

void Session::send(Answer a) {
  const bool again = keepAlive && !a.close && !server.stopping;
  response = std::make_shared<http::response<http::string_body>>(a.status, 11);
  response->set(http::field::server, "zorvane-board");
  response->set(http::field::content_type, a.type);
  response->set(http::field::cache_control, a.cache);
  if (!a.encoding.empty()) response->set(http::field::content_encoding, a.encoding);
  if (a.type != "application/json") response->set(http::field::vary, "accept-encoding");
  if (a.retryAfter > 0) response->set(http::field::retry_after, std::to_string(a.retryAfter));
  response->set("X-Content-Type-Options", "nosniff");
  response->body() = std::move(a.body);
  response->keep_alive(again);
  response->prepare_payload();
  stream.expires_after(writeTime);
  http::async_write(stream, *response, beast::bind_front_handler(&Session::onWritten, shared_from_this(), !again));
}

void Session::onWritten(bool close, beast::error_code ec, size_t) {
  response.reset();
  release();
  if (ec) return;
  if (!close) return readHeader();
  linger();
}

// After the last answer: no more to send, and what the client still sends is read and
// dropped for a moment, so that closing does not reset the answer away.
void Session::linger() {
  idle = true;
  beast::error_code ignored;
  stream.socket().shutdown(tcp::socket::shutdown_send, ignored);
  stream.expires_after(std::chrono::seconds(2));
  drainMore();
}

void Session::drainMore() {
  stream.async_read_some(asio::buffer(drain), [self = shared_from_this()](beast::error_code ec, size_t) {
    if (!ec) self->drainMore();
  });
}

}  // namespace

int serve(const ServerOptions& options, Store& store) {
  Server server(options, store);
  return server.run();
}

}  // namespace zorvane::board
