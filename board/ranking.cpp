#include "board/ranking.h"

#include <algorithm>

namespace zorvane::board {
namespace {

constexpr size_t blockMax = 1024;  // a block splits in two when it grows past this

bool before(const Ranking::Entry& a, const Ranking::Entry& b) {
  return a.score != b.score ? a.score > b.score : a.seq < b.seq;
}

}  // namespace

void Ranking::add(Entry e) {
  // The first block whose last entry is not before e; past the end, the last block.
  auto b = std::lower_bound(blocks.begin(), blocks.end(), e,
                            [](const std::vector<Entry>& blk, const Entry& x) { return before(blk.back(), x); });
  if (b == blocks.end()) {
    if (blocks.empty() || blocks.back().size() >= blockMax) {
      blocks.push_back({e});
      ++count;
      return;
    }
    b = blocks.end() - 1;
  }
  auto at = std::lower_bound(b->begin(), b->end(), e, before);
  if (at != b->end() && at->seq == e.seq) return;
  b->insert(at, e);
  ++count;
  if (b->size() > blockMax) {
    std::vector<Entry> upper(b->begin() + static_cast<std::ptrdiff_t>(b->size() / 2), b->end());
    b->resize(b->size() / 2);
    blocks.insert(b + 1, std::move(upper));
  }
}

void Ranking::add(std::vector<Entry> many) {
  if (many.size() < 64 || many.size() < size_t(count) / 8) {
    for (const Entry& e : many) add(e);
    return;
  }
  // Sorted anew with the entries here: cheaper than an insertion into a block each.
  for (const auto& blk : blocks) many.insert(many.end(), blk.begin(), blk.end());
  std::sort(many.begin(), many.end(), before);
  many.erase(std::unique(many.begin(), many.end(), [](const Entry& a, const Entry& b) { return a.seq == b.seq; }), many.end());
  blocks.clear();
  for (size_t at = 0; at < many.size(); at += blockMax / 2)
    blocks.emplace_back(many.begin() + std::ptrdiff_t(at), many.begin() + std::ptrdiff_t(std::min(many.size(), at + blockMax / 2)));
  count = int64_t(many.size());
}

bool Ranking::remove(Entry e) {
  auto b = std::lower_bound(blocks.begin(), blocks.end(), e,
                            [](const std::vector<Entry>& blk, const Entry& x) { return before(blk.back(), x); });
  if (b == blocks.end()) return false;
  auto at = std::lower_bound(b->begin(), b->end(), e, before);
  if (at == b->end() || at->seq != e.seq || at->score != e.score) return false;
  b->erase(at);
  --count;
  if (b->empty()) blocks.erase(b);
  return true;
}

int64_t Ranking::rankOf(Entry e) const {
  int64_t above = 0;
  for (const auto& blk : blocks) {
    if (before(blk.back(), e)) {
      above += static_cast<int64_t>(blk.size());
      continue;
    }
    auto at = std::lower_bound(blk.begin(), blk.end(), e, before);
    if (at == blk.end() || at->seq != e.seq || at->score != e.score) return 0;
    return above + (at - blk.begin()) + 1;
  }
  return 0;
}

std::vector<Ranking::Entry> Ranking::page(int64_t offset, int64_t limit) const {
  std::vector<Entry> out;
  if (offset < 0 || limit <= 0) return out;
  int64_t skip = offset;
  for (const auto& blk : blocks) {
    const auto n = static_cast<int64_t>(blk.size());
    if (skip >= n) {
      skip -= n;
      continue;
    }
    for (int64_t i = skip; i < n && static_cast<int64_t>(out.size()) < limit; ++i) out.push_back(blk[static_cast<size_t>(i)]);
    skip = 0;
    if (static_cast<int64_t>(out.size()) == limit) break;
  }
  return out;
}

}  // namespace zorvane::board
