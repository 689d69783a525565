#pragma once
// Page-level access to a Jet 4 file: fixed 4096-byte pages, page n at offset
// n * 4096. Reads are checked against the file's page count so a wild page
// pointer in a damaged file becomes an Error.
//
// Common page header bytes (all page kinds):
// OFFSET  SIZE  MEANING
// 0x00    1     page type (see PageType)
// 0x01    1     0x01 on every non-header page
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "jet/header_page.h"
#include "platform/env.h"

namespace jet::detail {

enum PageType : uint8_t {
  kPageHeader = 0x00,
  kPageData = 0x01,
  kPageTdef = 0x02,
  kPageIndexNode = 0x03,
  kPageIndexLeaf = 0x04,
  kPageUsageBitmap = 0x05,
};

using Page = std::vector<uint8_t>;  // always kPageSize bytes

class PageFile {
 public:
  PageFile(std::unique_ptr<platform::File> file, bool writable);

  uint32_t pageCount() const { return pageCount_; }
  bool writable() const { return writable_; }
  // Re-reads the file size and forgets the pages held for reading: another
  // connection may have written the file since.
  void refresh();

  // Sees pages written and not yet flushed. A read-only file is read in runs
  // of pages, and the runs read last stay in memory until refresh().
  Page read(uint32_t page) const;
  // Writes a whole page; page may be pageCount() to grow the file by one.
  // Written pages are held in memory and reach the file in runs once many
  // are held, so a write failure may surface at a later write or at flush().
  void write(uint32_t page, const Page& data);
  // A page to change in place, held like a written one. The reference lasts
  // until the next call that writes (write, writeBytes, update, flush).
  Page& update(uint32_t page);
  // Writes part of a page.
  void writeBytes(uint32_t page, size_t offset, const uint8_t* data, size_t n);
  uint32_t append(const Page& data);
  // Writes every held page; with durable, also syncs the file.
  void flush(bool durable);

 private:
  struct ReadRun {
    uint32_t first = 0;
    std::vector<uint8_t> bytes;  // whole pages from `first` on
    uint64_t lastUse = 0;
  };

  Page& hold(uint32_t page);
  void writeHeld();
  size_t readFromFile(uint64_t offset, uint8_t* data, size_t n) const;
  const ReadRun& runHolding(uint32_t page) const;

  std::unique_ptr<platform::File> file_;
  bool writable_;
  uint32_t pageCount_ = 0;
  uint32_t filePages_ = 0;  // pages the file itself holds
  std::map<uint32_t, Page> held_;
  mutable std::vector<ReadRun> runs_;  // read-only files only
  mutable uint64_t reads_ = 0;
};

}  // namespace jet::detail
