#pragma once
// Decoding one entry's data: stored, deflate (zlib) or Deflate64 (our own).
#include <cstdint>

#include "package/deflate64.h"
#include "package/zip_entry.h"
#include "platform/env.h"

namespace package::zip {

// True for the methods the reader can decode.
bool isSupportedMethod(uint16_t method);
// True when the entry is neither encrypted nor compressed by an unknown method.
bool isReadable(const ZipEntry& entry);

// Decodes entries one after another, keeping its buffers and zlib state from
// one entry to the next (a catalogue has thousands of small files).
class EntryDecoder {
 public:
  EntryDecoder();
  ~EntryDecoder();
  EntryDecoder(const EntryDecoder&) = delete;
  EntryDecoder& operator=(const EntryDecoder&) = delete;

  // Decodes the entry whose compressed data starts at dataOffset and hands
  // the output to `output`. Never produces more than the declared size;
  // throws ZipError when the data is damaged, is longer or shorter than
  // declared, or its CRC-32 differs ("Error reading zip file").
  void decode(platform::File& file, uint64_t dataOffset, const ZipEntry& entry, const OutputFn& output);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace package::zip
