#pragma once
// Inflater for Deflate64 (ZIP method 9), which zlib does not offer: deflate
// with a 64 KiB window, length code 285 carrying 16 extra bits (lengths 3 to
// 65,538) and distance codes 30 and 31 (distances up to 65,536).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace package::zip {

// Fills up to n bytes of the buffer with compressed input; 0 at its end.
using InputFn = std::function<size_t(unsigned char* buffer, size_t n)>;
// Receives each piece of output in order.
using OutputFn = std::function<void(const unsigned char* data, size_t n)>;

// Inflates one complete Deflate64 stream. Produces at most maxOutput bytes:
// a stream that would produce more, or that is damaged or ends early, throws
// ZipError. Returns the number of bytes produced.
uint64_t inflateDeflate64(const InputFn& input, const OutputFn& output, uint64_t maxOutput);

}  // namespace package::zip
