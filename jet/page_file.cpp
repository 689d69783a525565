#include "jet/page_file.h"

#include "jet/byte_order.h"

namespace jet::detail {

namespace {
// A Jet 4 file cannot address more pages than a 24-bit page number allows.
constexpr uint64_t kMaxPages = 1u << 24;
}  // namespace

PageFile::PageFile(std::unique_ptr<platform::File> file, bool writable) : file_(std::move(file)), writable_(writable) {
  refresh();
}

void PageFile::refresh() {
  uint64_t size = 0;
  try {
    size = file_->size();
  } catch (const platform::IoError& e) {
    fail(std::string("cannot read the database: ") + e.what());
  }
  if (size % kPageSize != 0) fail("damaged database: the file is not a whole number of 4096-byte pages");
  if (size / kPageSize > kMaxPages) fail("damaged database: the file is larger than Jet 4 can address");
  pageCount_ = uint32_t(size / kPageSize);
}

Page PageFile::read(uint32_t page) const {
  if (page >= pageCount_)
    fail("damaged database: page " + std::to_string(page) + " is beyond the end of the file (" +
         std::to_string(pageCount_) + " pages)");
  Page p(kPageSize);
  size_t got = 0;
  try {
    got = file_->readAt(uint64_t(page) * kPageSize, p.data(), kPageSize);
  } catch (const platform::IoError& e) {
    fail(std::string("cannot read the database: ") + e.what());
  }
  if (got != kPageSize) fail("damaged database: page " + std::to_string(page) + " is cut short");
  return p;
}

void PageFile::write(uint32_t page, const Page& data) { writeBytes(page, 0, data.data(), kPageSize); }

void PageFile::writeBytes(uint32_t page, size_t offset, const uint8_t* data, size_t n) {
  if (!writable_) fail("the database is open read-only");
  if (page > pageCount_ || (page == pageCount_ && (offset != 0 || n != kPageSize)))
    fail("internal error: write beyond the end of the database");
  if (page == pageCount_ && pageCount_ + 1 > kMaxPages) fail("the database is full (16M pages)");
  try {
    file_->writeAt(uint64_t(page) * kPageSize + offset, data, n);
  } catch (const platform::IoError& e) {
    fail(std::string("cannot write the database: ") + e.what());
  }
  if (page == pageCount_) ++pageCount_;
}

uint32_t PageFile::append(const Page& data) {
  uint32_t n = pageCount_;
  write(n, data);
  return n;
}

}  // namespace jet::detail
