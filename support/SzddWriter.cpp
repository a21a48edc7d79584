// SZDD encoding: the longest match at every position from a binary tree over the window, the
// cheapest parse of each block by dynamic programming, and the items written eight to a flag byte.
#include "support/SzddWriter.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "support/Cp932.h"

namespace orvane {
namespace {

// Positions are counted in a stream that begins with the window's initial blanks: the input's
// first byte is at kWindow, and position p sits in the window at (p + 0xFF0) mod 4096, so a match
// may reach back into the blanks exactly as the decoder's window holds them.
constexpr int64_t kWindow = kSzddWindowSize;
constexpr unsigned kWindowMask = kSzddWindowSize - 1;
constexpr std::size_t kBlock = std::size_t{1} << 18;  // positions parsed together
constexpr std::size_t kCapacity = kWindow + kBlock + kSzddMaxMatch;
// Bytes past the input's end that a key may read (whatever they hold, the matches are cut at the
// end, and they are the same for the same input).
constexpr std::size_t kSlack = kSzddMaxMatch;
// Tree nodes by position modulo twice the window: a whole window of positions and the one being
// added.
constexpr unsigned kSlotMask = 2 * kSzddWindowSize - 1;
constexpr unsigned kHashBits = 12;
// Nodes visited per position at most: the trees stay shallow on ordinary input, and this bounds
// the time on input made to deepen them.
constexpr unsigned kMaxSteps = 128;
constexpr uint32_t kLiteralCost = 9, kMatchCost = 17;  // bits, the flag bit included
constexpr std::size_t kFlushSize = std::size_t{1} << 18;

// How many of the kSzddMaxMatch bytes from `a` and `b` agree, knowing that the first `n` do:
// eight at a time where the machine is little-endian.
unsigned SharedLength(const unsigned char* a, const unsigned char* b, unsigned n) {
  if constexpr (std::endian::native == std::endian::little) {
    for (; n + 8 <= kSzddMaxMatch; n += 8) {
      uint64_t x, y;
      std::memcpy(&x, a + n, 8);
      std::memcpy(&y, b + n, 8);
      if (x != y) return n + static_cast<unsigned>(std::countr_zero(x ^ y)) / 8;
    }
  }
  while (n < kSzddMaxMatch && a[n] == b[n]) ++n;
  return n;
}

unsigned Hash(const unsigned char* p) {
  uint32_t v = uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
  return (v * 2654435761u) >> (32 - kHashBits);
}

}  // namespace

SzddName CompressedName(const std::string& fileName) {
  SzddName result;
  std::size_t last = 0;
  bool dot = false;
  for (std::size_t i = 0; i < fileName.size();) {
    last = i;
    auto c = static_cast<unsigned char>(fileName[i]);
    if (IsLeadChar(c) && i + 1 < fileName.size()) {
      i += 2;
      continue;
    }
    if (c == '.') dot = true;
    ++i;
  }
  if (fileName.empty()) return result;
  if (last + 1 < fileName.size()) {
    // One byte of the header cannot hold a double-byte character: "_" is added and nothing
    // recorded, and the expanded name drops the "_" again.
    result.name = fileName + "_";
  } else if (!dot) {
    result.name = fileName + "._";
  } else {
    result.name = fileName.substr(0, last) + "_";
    result.lastChar = fileName[last];
  }
  return result;
}

struct SzddEncoder::State {
  SzddSink sink;
  bool failed = false;

  // Input from position bufStart on: a window's length before the next position to encode, and
  // up to a block and a longest match from there, then kSlack bytes (at first the blanks, and
  // room for the input announced).
  std::vector<unsigned char> buf;
  int64_t bufStart = 0;
  int64_t filled = kWindow;  // end of the input held
  int64_t next = kWindow;    // first position not yet encoded
  // First position not yet in the trees. The blanks before the last longest match's length of
  // them all have the same key, of which a tree keeps only the newest, so they start there.
  int64_t inserted = kWindow - kSzddMaxMatch;

  // One binary search tree per hash of the first three bytes, ordered by the 18 bytes from each
  // position, newest position at the root: a new position becomes the root and splits the tree
  // below it into its two subtrees, and positions older than the window drop off where they are
  // met. Children per slot, smaller then larger; every node's two are set when it is added.
  std::vector<int64_t> root = std::vector<int64_t>(std::size_t{1} << kHashBits, -1);
  std::unique_ptr<int64_t[]> children =
      std::make_unique_for_overwrite<int64_t[]>(2 * (kSlotMask + 1));

  // Per position of the block: the longest match (length, 0 for none, and window position), the
  // length chosen by the parse (1 for a literal) and the cost in bits from there to the block's
  // end. (Sized by the largest block so far.)
  std::vector<uint8_t> length, choice;
  std::vector<uint16_t> source;
  std::vector<uint32_t> cost;

  std::string out;          // output not yet handed to the sink
  std::size_t flagAt = 0;   // the flag byte of the group being written
  unsigned groupItems = 8;  // items in that group (8: none open)

  const unsigned char* At(int64_t position) const { return &buf[position - bufStart]; }

  // Adds `position` to its tree and returns the longest match among the positions before it in
  // the window, cut to `maxLength` (0 when shorter than the minimum), with where it starts.
  unsigned AddPosition(int64_t position, unsigned maxLength, int64_t& from) {
    const unsigned char* cur = At(position);
    int64_t& top = root[Hash(cur)];
    int64_t candidate = top;
    top = position;
    int64_t* smaller = &children[2 * (position & kSlotMask)];  // where the next smaller node goes
    int64_t* larger = smaller + 1;
    // Every node below the last smaller (larger) one passed shares this many bytes with it.
    unsigned smallerShared = 0, largerShared = 0, best = 0;
    const int64_t oldest = std::max<int64_t>(0, position - kWindow);
    for (unsigned steps = 0;; ++steps) {
      if (candidate < oldest || steps == kMaxSteps) {
        *smaller = *larger = -1;
        break;
      }
      int64_t* pair = &children[2 * (candidate & kSlotMask)];
      const unsigned char* c = At(candidate);
      const unsigned n = SharedLength(c, cur, std::min(smallerShared, largerShared));
      if (n > best) {
        best = n;
        from = candidate;
      }
      if (n == kSzddMaxMatch) {
        // The same key: the new position takes the older one's place and subtrees.
        *smaller = pair[0];
        *larger = pair[1];
        break;
      }
      if (c[n] < cur[n]) {
        *smaller = candidate;
        smaller = &pair[1];
        candidate = *smaller;
        smallerShared = n;
      } else {
        *larger = candidate;
        larger = &pair[0];
        candidate = *larger;
        largerShared = n;
      }
    }
    best = std::min(best, maxLength);
    return best >= kSzddMinMatch ? best : 0;
  }

  void Flush() {
    if (out.empty() || failed) return;
    if (!sink(out.data(), out.size())) failed = true;
    out.clear();
  }

  void OpenItem() {
    if (groupItems == 8) {
      // The group before is complete, so everything held is final.
      if (out.size() >= kFlushSize) Flush();
      flagAt = out.size();
      out.push_back(0);
      groupItems = 0;
    }
  }
  void Literal(unsigned char c) {
    OpenItem();
    out[flagAt] = static_cast<char>(out[flagAt] | (1 << groupItems++));
    out.push_back(static_cast<char>(c));
  }
  void Match(unsigned position, unsigned n) {
    OpenItem();
    ++groupItems;
    out.push_back(static_cast<char>(position & 0xFF));
    out.push_back(static_cast<char>(((position >> 4) & 0xF0) | (n - kSzddMinMatch)));
  }

  // Encodes the positions from `next` to `end`; the input must be held up to `end` plus a
  // longest match (or to its end).
  void Encode(int64_t end) {
    const int64_t start = next;
    const std::size_t count = static_cast<std::size_t>(end - start);
    int64_t from = 0;
    while (inserted < start) AddPosition(inserted++, 0, from);
    if (length.size() < count + 1) {
      length.resize(count + 1);
      source.resize(count + 1);
      choice.resize(count + 1);
      cost.resize(count + 1);
    }
    for (std::size_t j = 0; j < count; ++j) {
      const int64_t position = start + static_cast<int64_t>(j);
      // Matches stay inside the block, whose parse ends at its end.
      const auto maxLength =
          static_cast<unsigned>(std::min<int64_t>(kSzddMaxMatch, end - position));
      length[j] = static_cast<uint8_t>(AddPosition(position, maxLength, from));
      source[j] = static_cast<uint16_t>((from + kSzddFirstPosition) & kWindowMask);
    }
    inserted = end;

    // The cheapest parse, from the block's end back: a literal, or any prefix of the longest
    // match (every prefix of a match is one), longer first on a tie.
    cost[count] = 0;
    for (std::size_t j = count; j-- > 0;) {
      uint32_t best = cost[j + 1] + kLiteralCost;
      uint8_t pick = 1;
      for (unsigned n = length[j]; n >= kSzddMinMatch; --n) {
        uint32_t c = cost[j + n] + kMatchCost;
        if (c < best) {
          best = c;
          pick = static_cast<uint8_t>(n);
        }
      }
      cost[j] = best;
      choice[j] = pick;
    }
    for (std::size_t j = 0; j < count;) {
      if (choice[j] == 1) {
        Literal(*At(start + static_cast<int64_t>(j)));
        ++j;
      } else {
        Match(source[j], choice[j]);
        j += choice[j];
      }
    }
    next = end;
  }

  // Drops what no match can reach any more.
  void Shift() {
    const auto drop = static_cast<std::size_t>(next - kWindow - bufStart);
    std::memmove(buf.data(), buf.data() + drop, static_cast<std::size_t>(filled - bufStart) - drop);
    bufStart += static_cast<int64_t>(drop);
  }
};

SzddEncoder::SzddEncoder(SzddSink sink, char lastChar, uint64_t size)
    : state_(std::make_unique<State>()) {
  state_->sink = std::move(sink);
  state_->buf.assign(kWindow + std::min<uint64_t>(size, kBlock) + kSzddMaxMatch + kSlack,
                     kSzddWindowFill);
  std::string& out = state_->out;
  out.assign(reinterpret_cast<const char*>(kSzddMagic), sizeof kSzddMagic);
  out += kSzddMode;
  out += lastChar;
  for (int i = 0; i < 4; ++i) out += static_cast<char>((size >> (8 * i)) & 0xFF);
}

SzddEncoder::~SzddEncoder() = default;

bool SzddEncoder::Write(const char* data, std::size_t size) {
  State& s = *state_;
  while (size > 0 && !s.failed) {
    const std::size_t held = static_cast<std::size_t>(s.filled - s.bufStart);
    if (held + kSlack == s.buf.size()) s.buf.resize(kCapacity + kSlack);  // more than announced
    const std::size_t n = std::min(s.buf.size() - kSlack - held, size);
    std::memcpy(s.buf.data() + held, data, n);
    s.filled += static_cast<int64_t>(n);
    data += n;
    size -= n;
    if (held + n == kCapacity) {
      s.Encode(s.next + static_cast<int64_t>(kBlock));
      s.Shift();
    }
  }
  return !s.failed;
}

bool SzddEncoder::Finish() {
  State& s = *state_;
  if (s.next < s.filled) s.Encode(s.filled);
  s.Flush();
  return !s.failed;
}

std::string CompressSzdd(const std::string& data, char lastChar) {
  std::string out;
  SzddEncoder encoder(
      [&out](const char* bytes, std::size_t n) {
        out.append(bytes, n);
        return true;
      },
      lastChar, data.size());
  encoder.Write(data.data(), data.size());
  encoder.Finish();
  return out;
}

}  // namespace orvane
