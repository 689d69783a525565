#include "package/deflate64.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "package/zip_entry.h"

namespace package::zip {
namespace {

constexpr size_t kWindowSize = 65536;
constexpr size_t kMaxMatch = 3 + 65535;
// Output is handed on in pieces of about this size.
constexpr size_t kFlushSize = 1 << 20;
constexpr size_t kInputChunk = 64 * 1024;
constexpr size_t kWindowCapacity = kWindowSize + kFlushSize + kMaxMatch;

constexpr int kMaxCodeBits = 15;
constexpr int kFastBits = 10;
constexpr int kLitLenSymbols = 288;
constexpr int kDistSymbols = 32;
constexpr int kCodeLengthSymbols = 19;
constexpr int kEndOfBlock = 256;

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 3};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 16};
constexpr uint32_t kDistBase[32] = {1,    2,    3,    4,    5,    7,     9,     13,    17,    25,   33,
                                    49,   65,   97,   129,  193,  257,   385,   513,   769,   1025, 1537,
                                    2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
constexpr uint8_t kDistExtra[32] = {0, 0, 0, 0, 1, 1, 2,  2,  3,  3,  4,  4,  5,  5,  6,  6,
                                    7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
constexpr uint8_t kCodeLengthOrder[kCodeLengthSymbols] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                          11, 4,  12, 3, 13, 2, 14, 1, 15};

[[noreturn]] void fail(const std::string& why) { throw ZipError("Deflate64 data damaged: " + why); }

// A canonical Huffman code: a table for codes up to kFastBits long, and the
// counts and sorted symbols for the longer ones.
struct Huffman {
  uint16_t count[kMaxCodeBits + 1] = {};
  uint16_t symbol[kLitLenSymbols] = {};
  int32_t fast[1 << kFastBits];  // symbol << 4 | length, or -1

  void build(const uint8_t* lengths, int n) {
    std::fill(std::begin(count), std::end(count), 0);
    for (int s = 0; s < n; ++s) ++count[lengths[s]];
    int used = n - count[0];
    int left = 1;
    for (int len = 1; len <= kMaxCodeBits; ++len) {
      left = (left << 1) - count[len];
      if (left < 0) fail("over-subscribed code");
    }
    // A code that does not fill its tree is allowed only as one lone code.
    if (left > 0 && used > 1) fail("incomplete code");
    uint16_t offs[kMaxCodeBits + 2] = {};
    for (int len = 1; len <= kMaxCodeBits; ++len) offs[len + 1] = offs[len] + count[len];
    for (int s = 0; s < n; ++s)
      if (lengths[s]) symbol[offs[lengths[s]]++] = static_cast<uint16_t>(s);

    std::fill(std::begin(fast), std::end(fast), -1);
    uint32_t code = 0;
    int index = 0;
    for (int len = 1; len <= kFastBits; ++len) {
      for (int k = 0; k < count[len]; ++k, ++index, ++code) {
        uint32_t rev = 0;
        for (int b = 0; b < len; ++b) rev |= ((code >> b) & 1u) << (len - 1 - b);
        for (uint32_t j = rev; j < (1u << kFastBits); j += 1u << len)
          fast[j] = static_cast<int32_t>(symbol[index]) << 4 | len;
      }
      code <<= 1;
    }
  }
};

class Inflater {
 public:
  Inflater(const InputFn& input, const OutputFn& output, uint64_t maxOutput)
      : input_(input),
        output_(output),
        maxOutput_(maxOutput),
        // Left uninitialised: nothing is read before it is written (distances
        // are checked against what was produced).
        window_(new unsigned char[kWindowCapacity]) {}

  uint64_t run() {
    bool last;
    do {
      last = bits(1);
      switch (bits(2)) {
        case 0: storedBlock(); break;
        case 1: fixedBlock(); break;
        case 2: dynamicBlock(); break;
        default: fail("invalid block type");
      }
    } while (!last);
    flush();
    return emitted_;
  }

 private:
  // --- input bits, least significant first ---
  bool refillByte() {
    if (inPos_ == inEnd_) {
      if (inputDone_) return false;
      inEnd_ = input_(inBuf_, kInputChunk);
      inPos_ = 0;
      if (inEnd_ == 0) {
        inputDone_ = true;
        return false;
      }
    }
    bitBuf_ |= static_cast<uint64_t>(inBuf_[inPos_++]) << bitCount_;
    bitCount_ += 8;
    return true;
  }
  void need(int n) {
    while (bitCount_ < n)
      if (!refillByte()) fail("unexpected end of data");
  }
  uint32_t bits(int n) {
    if (n == 0) return 0;
    need(n);
    uint32_t v = static_cast<uint32_t>(bitBuf_ & ((1ull << n) - 1));
    bitBuf_ >>= n;
    bitCount_ -= n;
    return v;
  }

  int decode(const Huffman& h) {
    while (bitCount_ < kMaxCodeBits && refillByte()) {
    }
    if (bitCount_ >= kFastBits) {
      int32_t e = h.fast[bitBuf_ & ((1u << kFastBits) - 1)];
      if (e >= 0) {
        bitBuf_ >>= (e & 15);
        bitCount_ -= (e & 15);
        return e >> 4;
      }
    }
    // Long codes, or the last few bits of the stream: one bit at a time.
    int code = 0, first = 0, index = 0;
    for (int len = 1; len <= kMaxCodeBits; ++len) {
      code |= static_cast<int>(bits(1));
      int count = h.count[len];
      if (code - count < first) return h.symbol[index + (code - first)];
      index += count;
      first += count;
      first <<= 1;
      code <<= 1;
    }
    fail("invalid code");
  }

  // --- output through the sliding window ---
  void reserve(size_t n) {
    if (n > maxOutput_ - total()) fail("more data than the entry declares");
    if (pos_ + n > kWindowCapacity) slide();
  }
  uint64_t total() const { return emitted_ + (pos_ - flushedTo_); }
  void flush() {
    if (pos_ > flushedTo_) output_(window_.get() + flushedTo_, pos_ - flushedTo_);
    emitted_ += pos_ - flushedTo_;
    flushedTo_ = pos_;
  }
  void slide() {
    flush();
    const size_t keep = std::min(pos_, kWindowSize);
    std::memmove(window_.get(), window_.get() + pos_ - keep, keep);
    pos_ = flushedTo_ = keep;
  }

  void storedBlock() {
    bits(bitCount_ % 8);
    uint32_t len = bits(16);
    uint32_t nlen = bits(16);
    if (len != (~nlen & 0xFFFF)) fail("stored block length check");
    reserve(len);
    while (len > 0 && bitCount_ >= 8) {
      window_[pos_++] = static_cast<unsigned char>(bits(8));
      --len;
    }
    while (len > 0) {
      if (inPos_ == inEnd_ && !refillByte()) fail("unexpected end of data");
      if (bitCount_ == 8) {  // refillByte took one byte into the bit buffer
        window_[pos_++] = static_cast<unsigned char>(bits(8));
        --len;
        continue;
      }
      size_t n = std::min<size_t>(len, inEnd_ - inPos_);
      std::memcpy(window_.get() + pos_, inBuf_ + inPos_, n);
      pos_ += n;
      inPos_ += n;
      len -= static_cast<uint32_t>(n);
    }
    if (pos_ >= kWindowSize + kFlushSize) slide();
  }

  void codes(const Huffman& lit, const Huffman& dist) {
    for (;;) {
      int sym = decode(lit);
      if (sym < kEndOfBlock) {
        reserve(1);
        window_[pos_++] = static_cast<unsigned char>(sym);
        continue;
      }
      if (sym == kEndOfBlock) break;
      sym -= kEndOfBlock + 1;
      if (sym >= 29) fail("invalid length code");
      size_t len = kLengthBase[sym] + bits(kLengthExtra[sym]);
      int dsym = decode(dist);
      if (dsym >= kDistSymbols) fail("invalid distance code");
      size_t d = kDistBase[dsym] + bits(kDistExtra[dsym]);
      reserve(len);
      if (d > pos_) fail("distance before the start of the data");
      unsigned char* out = window_.get() + pos_;
      const unsigned char* from = out - d;
      if (d >= len) {
        std::memcpy(out, from, len);
      } else {
        for (size_t k = 0; k < len; ++k) out[k] = from[k];
      }
      pos_ += len;
    }
    if (pos_ >= kWindowSize + kFlushSize) slide();
  }

  void fixedBlock() {
    if (!fixedBuilt_) {
      uint8_t lengths[kLitLenSymbols];
      std::fill(lengths, lengths + 144, 8);
      std::fill(lengths + 144, lengths + 256, 9);
      std::fill(lengths + 256, lengths + 280, 7);
      std::fill(lengths + 280, lengths + 288, 8);
      fixedLit_.build(lengths, kLitLenSymbols);
      std::fill(lengths, lengths + kDistSymbols, 5);
      fixedDist_.build(lengths, kDistSymbols);
      fixedBuilt_ = true;
    }
    codes(fixedLit_, fixedDist_);
  }

  void dynamicBlock() {
    const int nlen = static_cast<int>(bits(5)) + 257;
    const int ndist = static_cast<int>(bits(5)) + 1;
    const int ncode = static_cast<int>(bits(4)) + 4;
    uint8_t lengths[kLitLenSymbols + kDistSymbols] = {};
    for (int i = 0; i < ncode; ++i) lengths[kCodeLengthOrder[i]] = static_cast<uint8_t>(bits(3));
    lenCode_.build(lengths, kCodeLengthSymbols);

    std::fill(std::begin(lengths), std::end(lengths), 0);
    for (int i = 0; i < nlen + ndist;) {
      int sym = decode(lenCode_);
      if (sym < 16) {
        lengths[i++] = static_cast<uint8_t>(sym);
        continue;
      }
      uint8_t value = 0;
      int repeat;
      if (sym == 16) {
        if (i == 0) fail("repeat with no previous length");
        value = lengths[i - 1];
        repeat = 3 + static_cast<int>(bits(2));
      } else if (sym == 17) {
        repeat = 3 + static_cast<int>(bits(3));
      } else {
        repeat = 11 + static_cast<int>(bits(7));
      }
      if (i + repeat > nlen + ndist) fail("too many code lengths");
      while (repeat--) lengths[i++] = value;
    }
    if (lengths[kEndOfBlock] == 0) fail("no end-of-block code");
    dynLit_.build(lengths, nlen);
    dynDist_.build(lengths + nlen, ndist);
    codes(dynLit_, dynDist_);
  }

  const InputFn& input_;
  const OutputFn& output_;
  const uint64_t maxOutput_;

  unsigned char inBuf_[kInputChunk];
  size_t inPos_ = 0, inEnd_ = 0;
  bool inputDone_ = false;
  uint64_t bitBuf_ = 0;
  int bitCount_ = 0;

  std::unique_ptr<unsigned char[]> window_;
  size_t pos_ = 0;        // next byte to write in window_
  size_t flushedTo_ = 0;  // window_ up to here has been handed on
  uint64_t emitted_ = 0;

  bool fixedBuilt_ = false;
  Huffman fixedLit_, fixedDist_, dynLit_, dynDist_, lenCode_;
};

}  // namespace

uint64_t inflateDeflate64(const InputFn& input, const OutputFn& output, uint64_t maxOutput) {
  auto inflater = std::make_unique<Inflater>(input, output, maxOutput);
  return inflater->run();
}

}  // namespace package::zip
