#include "jet/page_file.h"

#include "jet/bytes.h"

#include <algorithm>

namespace jet::detail {

namespace {
// A Jet 4 file cannot address more pages than a 24-bit page number allows.
constexpr uint64_t kMaxPages = 1u << 24;
// Written pages held before they go to the file: 4 MiB.
constexpr size_t kMaxHeldPages = 1024;
// Longest run handed to the file in one call: 1 MiB.
constexpr size_t kMaxRunPages = 256;
// A read-only file is read 128 KiB at a time, and the last 4 MiB read stay in
// memory: scans and the bookmarks of a merge come back to nearby pages.
constexpr uint32_t kReadRunPages = 32;
constexpr size_t kMaxReadRuns = 32;
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
  filePages_ = pageCount_;
  runs_.clear();
  if (!held_.empty() && held_.rbegin()->first >= pageCount_) pageCount_ = held_.rbegin()->first + 1;
}

Page PageFile::read(uint32_t page) const {
  if (page >= pageCount_)
    fail("damaged database: page " + std::to_string(page) + " is beyond the end of the file (" +
         std::to_string(pageCount_) + " pages)");
  if (!writable_) {
    const ReadRun& run = runHolding(page);
    const auto at = run.bytes.begin() + std::ptrdiff_t(size_t(page - run.first) * kPageSize);
    return Page(at, at + std::ptrdiff_t(kPageSize));
  }
  auto it = held_.find(page);
  if (it != held_.end()) return it->second;
  Page p(kPageSize);
  if (readFromFile(uint64_t(page) * kPageSize, p.data(), kPageSize) != kPageSize)
    fail("damaged database: page " + std::to_string(page) + " is cut short");
  return p;
}

size_t PageFile::readFromFile(uint64_t offset, uint8_t* data, size_t n) const {
  try {
    return file_->readAt(offset, data, n);
  } catch (const platform::IoError& e) {
    fail(std::string("cannot read the database: ") + e.what());
  }
}

const PageFile::ReadRun& PageFile::runHolding(uint32_t page) const {
  const uint32_t first = page - page % kReadRunPages;
  ReadRun* run = nullptr;
  for (auto& r : runs_)
    if (r.first == first) run = &r;
  if (run && page - first < run->bytes.size() / kPageSize) {
    run->lastUse = ++reads_;
    return *run;
  }
  if (!run && runs_.size() < kMaxReadRuns) run = &runs_.emplace_back();
  if (!run)
    run = &*std::min_element(runs_.begin(), runs_.end(),
                             [](const ReadRun& a, const ReadRun& b) { return a.lastUse < b.lastUse; });
  run->first = first;
  run->lastUse = ++reads_;
  run->bytes.resize(std::min<size_t>(kReadRunPages, pageCount_ - first) * kPageSize);
  size_t got = 0;
  try {
    got = readFromFile(uint64_t(first) * kPageSize, run->bytes.data(), run->bytes.size());
  } catch (const Error&) {
    run->bytes.clear();  // holds no page until read again
    throw;
  }
  run->bytes.resize(got - got % kPageSize);
  if (page - first >= run->bytes.size() / kPageSize)
    fail("damaged database: page " + std::to_string(page) + " is cut short");
  return *run;
}

void PageFile::write(uint32_t page, const Page& data) { writeBytes(page, 0, data.data(), kPageSize); }

void PageFile::writeBytes(uint32_t page, size_t offset, const uint8_t* data, size_t n) {
  if (!writable_) fail("the database is open read-only");
  if (page > pageCount_ || (page == pageCount_ && (offset != 0 || n != kPageSize)))
    fail("internal error: write beyond the end of the database");
  if (page == pageCount_ && pageCount_ + 1 > kMaxPages) fail("the database is full (16M pages)");
  if (offset + n > kPageSize) fail("internal error: write past the end of a page");
  if (page == pageCount_) {
    held_.emplace(page, Page(kPageSize));
    ++pageCount_;
  }
  std::copy(data, data + n, hold(page).begin() + std::ptrdiff_t(offset));
  if (held_.size() >= kMaxHeldPages) writeHeld();
}

Page& PageFile::update(uint32_t page) {
  if (!writable_) fail("the database is open read-only");
  if (page >= pageCount_) fail("internal error: update beyond the end of the database");
  if (held_.size() >= kMaxHeldPages && held_.count(page) == 0) writeHeld();
  return hold(page);
}

Page& PageFile::hold(uint32_t page) {
  auto it = held_.find(page);
  if (it != held_.end()) return it->second;
  return held_.emplace(page, read(page)).first->second;
}

// Contiguous held pages go out as one write. Pages past the end of the file
// go first, in order, so the file grows without holes and the existing pages
// that point to them are written only after them.
void PageFile::writeHeld() {
  std::vector<uint8_t> run;
  run.reserve(kMaxRunPages * kPageSize);
  uint32_t runStart = 0;
  auto writeRun = [&] {
    if (run.empty()) return;
    try {
      file_->writeAt(uint64_t(runStart) * kPageSize, run.data(), run.size());
    } catch (const platform::IoError& e) {
      fail(std::string("cannot write the database: ") + e.what());
    }
    filePages_ = std::max<uint32_t>(filePages_, runStart + uint32_t(run.size() / kPageSize));
    run.clear();
  };
  auto writeRange = [&](std::map<uint32_t, Page>::iterator from, std::map<uint32_t, Page>::iterator to) {
    for (auto it = from; it != to; ++it) {
      const bool continues = !run.empty() && it->first == runStart + run.size() / kPageSize;
      if (!continues || run.size() / kPageSize == kMaxRunPages) {
        writeRun();
        runStart = it->first;
      }
      run.insert(run.end(), it->second.begin(), it->second.end());
    }
    writeRun();
  };
  const auto firstNew = held_.lower_bound(filePages_);
  writeRange(firstNew, held_.end());
  writeRange(held_.begin(), firstNew);
  held_.clear();
}

void PageFile::flush(bool durable) {
  if (!writable_) return;
  writeHeld();
  if (!durable) return;
  try {
    file_->sync();
  } catch (const platform::IoError& e) {
    fail(std::string("cannot write the database: ") + e.what());
  }
}

uint32_t PageFile::append(const Page& data) {
  uint32_t n = pageCount_;
  write(n, data);
  return n;
}

}  // namespace jet::detail
