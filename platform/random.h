// The game's one source of random draws: single-precision values in [0, 1).
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <random>

namespace zorvane {

// Given draws, in order, packed: one byte for a draw of at most two decimals (0, .5, .25),
// five for any other, so never more than the text that gave them. Copies share the bytes (a
// snapshot of the game copies a pointer); an append to shared bytes copies them first.
class Draws {
 public:
  class Reader;                           // reads them in order, from any place it was copied at
  Draws() = default;
  Draws(std::initializer_list<float> values);
  template <class It>
  Draws(It first, It last) {
    for (; first != last; ++first) push_back(*first);
  }
  void push_back(float r);                // one more, after the others
  size_t size() const { return count; }
  bool empty() const { return count == 0; }
  size_t bytes() const { return packed ? packed->size() : 0; }  // the room they take
  bool shares(const Draws& other) const { return packed && packed == other.packed; }  // the same bytes
  Reader begin() const;
  Reader end() const;
  Reader at(size_t byte) const;           // the draw at that byte (a Reader's place)
  bool operator==(const Draws& other) const;

 private:
  friend class Reader;
  std::shared_ptr<std::deque<uint8_t>> packed;
  size_t count = 0;
};

class Draws::Reader {
 public:
  using iterator_category = std::input_iterator_tag;
  using value_type = float;
  using difference_type = std::ptrdiff_t;
  using pointer = void;
  using reference = float;
  Reader() = default;
  Reader(const std::deque<uint8_t>* bytes, size_t at) : bytes(bytes), at(at) {}
  float operator*() const;                // the draw here
  Reader& operator++();
  Reader operator++(int) { Reader was = *this; ++*this; return was; }
  bool operator==(const Reader& other) const { return at == other.at; }
  size_t place() const { return at; }     // the byte it stands at

 private:
  const std::deque<uint8_t>* bytes = nullptr;
  size_t at = 0;
};

class RandomSource {
 public:
  float draw();                            // next draw: from the queue, else the generator
  void Randomize();                        // start-up: reseeds with the next handed-in seed; with none, keeps the generator
  void seed(uint64_t value);               // reseed the generator
  void enqueue(float r);                   // a given draw, used before the generator
  void enqueue(const Draws& draws);        // given draws, in order; shared, not copied, when none are left before them
  size_t queued() const { return queue.size() - taken; }  // given draws not yet taken
  const Draws& given() const { return queue; }  // the draws given, taken or not
  void enqueueSeed(uint64_t value) { seeds.push_back(value); }  // for one Randomize, in order
  size_t queuedSeeds() const { return seeds.size(); }  // seeds handed in and not yet taken
  void dropSeeds() { seeds.clear(); }      // the seeds handed in and not yet taken

 private:
  std::mt19937_64 engine{1};
  Draws queue;                   // the draws given; a copy of the game shares them
  size_t taken = 0;              // of them, taken already
  size_t next = 0;               // the byte of the next one
  std::deque<uint64_t> seeds;    // the seed of each coming start-up's Randomize, in order
};

}  // namespace zorvane
