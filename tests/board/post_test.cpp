// What the board checks of a post, in-process: SHA-256 against the standard's vectors, the
// names it takes, and recordings edited by hand refused at their line.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "board/digest.h"
#include "board/post.h"
#include "tools/live_game.h"

namespace zorvane::board {
namespace {

TEST(Sha256, MatchesTheStandardsVectorsInAnyPieces) {
  const struct { std::string text; const char* digest; } vectors[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu",
       "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& v : vectors) {
    EXPECT_EQ(sha256Hex(v.text), v.digest) << v.text.size() << " bytes";
    Sha256 pieces;  // the same bytes in uneven pieces, across the block boundaries
    for (size_t at = 0, step = 1; at < v.text.size(); at += step, step = step * 2 + 1)
      pieces.add(std::string_view(v.text).substr(at, step));
    EXPECT_EQ(hex(pieces.finish()), v.digest) << v.text.size() << " bytes in pieces";
  }
}

TEST(PostName, DecodedNormalisedAndBounded) {
  const struct { const char* query; const char* name; } cases[] = {  // name null: refused
      {"name=Ann", "Ann"},
      {"x=1&name=Ann+B%20C", "Ann+B C"},                       // '+' is a plus sign
      {"name=A%CC%8A", "\xC3\x85"},                             // A and a combining ring: one code point in NFC
      {"name=%E3%80%80x", "\xE3\x80\x80x"},                     // an ideographic space beside a letter
      {"name=abcdefghijklmnopqrstuvwx", "abcdefghijklmnopqrstuvwx"},  // 24
      {"name=abcdefghijklmnopqrstuvwxy", nullptr},              // 25
      {"name=%F0%9F%98%80%F0%9F%98%80", "\xF0\x9F\x98\x80\xF0\x9F\x98\x80"},  // outside the BMP: two code points
      {"name=", nullptr},
      {"name=%20%E3%80%80", nullptr},                           // only spaces
      {"name=a%0Ab", nullptr},                                  // Cc
      {"name=a%E2%80%8Bb", nullptr},                            // Cf, a zero-width space
      {"name=a%E2%80%A8b", nullptr},                            // Zl
      {"name=a%E2%80%A9b", nullptr},                            // Zp
      {"name=%C3", nullptr},                                    // cut UTF-8
      {"name=%ED%A0%80", nullptr},                              // a surrogate in UTF-8
      {"name=%4", nullptr},                                     // a bad escape
      {"name=a&name=b", nullptr},                               // twice
      {"nam=a", nullptr},                                       // none
  };
  for (const auto& c : cases) {
    std::string name, error;
    const bool good = readName(c.query, name, error);
    EXPECT_EQ(good, c.name != nullptr) << c.query << ": " << error;
    EXPECT_EQ(good ? name : "", c.name ? c.name : "") << c.query;
  }
}

// Replaces the first line that starts with `from` by `to` ("" removes it); `nth` counts from 0.
std::string edited(std::string text, const std::string& from, const std::string& to, int nth = 0) {
  size_t at = text.starts_with(from) ? 0 : text.find("\n" + from) + 1;
  for (int i = 0; i < nth; ++i) at = text.find("\n" + from, at) + 1;
  const size_t end = text.find('\n', at) + 1;
  return text.replace(at, end - at, to.empty() ? "" : to + "\n");
}

int64_t lineOf(const std::string& text, const std::string& start) {
  const size_t at = text.starts_with(start) ? 0 : text.find("\n" + start) + 1;
  return 1 + int64_t(std::count(text.begin(), text.begin() + int64_t(at), '\n'));
}

TEST(PostRecording, ProvesItsScoreAndRefusesHandEditsAtTheirLine) {
  const std::string game = liveRecording(5, 90000);
  const Verdict good = verify(game);
  ASSERT_TRUE(good.good) << good.error;
  EXPECT_EQ(good.board, "builtin");
  EXPECT_EQ(good.id, good.key.substr(0, 32));
  EXPECT_GT(good.score, 0);
  EXPECT_GE(good.length, 89000);
  EXPECT_LE(good.length, 90001);

  // The last expect line states the score: raise it, and the replay refuses that line.
  const size_t last = game.rfind("\nexpect ") + 1;
  const std::string lastLine = game.substr(last, game.find('\n', last) - last);
  const size_t best = lastLine.find("bestScore=") + 10;
  std::string raised = lastLine;
  raised.replace(best, raised.find(' ', best) - best, std::to_string(good.score + 10));
  // A key moved: the first right-arrow press held back one wait later changes the whole game.
  const std::string firstDown = game.substr(game.find("\ndown ") + 1, game.find('\n', game.find("\ndown ") + 1) - game.find("\ndown ") - 1);
  std::string moved = edited(game, firstDown, "");
  moved = edited(moved, "wait ", "wait 5\n" + firstDown, 2);
  const struct { std::string text; int64_t line; const char* says; } refused[] = {
      {edited(game, lastLine, raised), lineOf(game, lastLine), "bestScore"},
      {moved, -1, "did not reach"},
      {edited(game, "wait ", "seed 5"), lineOf(game, "wait "), "seed"},
      {edited(game, "wait ", "rand 0.5"), lineOf(game, "wait "), "rand"},
      {edited(game, "wait ", "wait 1\x07"), lineOf(game, "wait "), "control"},
      {edited(game, "wait ", "wait 1 \xC3("), lineOf(game, "wait "), "UTF-8"},
      {edited(game, "wait ", "wait 1\xC2\x85"), lineOf(game, "wait "), "control"},  // a C1 control
      {edited(game, "wait ", "wiat 1"), lineOf(game, "wait "), "unknown command"},
      {edited(game, "wait ", "wait 21600000\nwait 1"), lineOf(game, "wait ") + 1, "6 hours"},
  };
  for (const auto& r : refused) {
    const Verdict v = verify(r.text);
    EXPECT_FALSE(v.good) << r.says;
    EXPECT_EQ(r.line >= 0 ? v.line : 0, r.line >= 0 ? r.line : 0) << r.says << ": " << v.error;
    EXPECT_GT(v.line, 0) << v.error;
    EXPECT_NE(v.error.find(r.says), std::string::npos) << v.error;
  }
}

TEST(PostRecording, OneGameWhateverItsCommentsSpacesAndChecks) {
  auto own = std::make_shared<Layouts>(2);
  for (size_t k = 0; k < own->size(); ++k)
    for (std::string& row : (*own)[k]) row = std::string(40, char('1' + k));
  const std::string game = liveRecording(7, 20000, own);
  const Verdict v = verify(game);
  ASSERT_TRUE(v.good) << v.error;
  std::string layouts;
  for (const LayoutRows& rows : *own) {
    layouts += layouts.empty() ? "layout" : "\nlayout";
    for (const std::string& row : rows) layouts += " " + row;
  }
  EXPECT_EQ(v.board, sha256Hex(layouts));

  std::string same = "# posted again\r\n\n" + game;  // comments, blank lines, CR and spaces
  for (size_t at = 0; (at = same.find("\nwait ", at)) != std::string::npos; at += 4) same.replace(at, 6, "\n  wait\t ");
  same = edited(same, "expect ", "");
  EXPECT_EQ(verify(same).key, v.key);
  const std::string shorter = game.substr(0, game.rfind("\nwait ") + 1);  // cut short: a game of its own
  EXPECT_NE(verify(shorter).key, v.key);
}

}  // namespace
}  // namespace zorvane::board
