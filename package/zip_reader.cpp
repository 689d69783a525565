#include "package/zip_reader.h"

#include <algorithm>
#include <functional>

#include "package/entry_name_check.h"
#include "package/zip_entry_data.h"
#include "package/zip_extra.h"
#include "package/zip_format.h"

namespace package::zip {
namespace {

[[noreturn]] void rejectEntry(const ZipEntry& e, const std::string& why) {
  throw ZipError("Zip entry \"" + printableName(e.name) + "\" refused: " + why);
}

// The sizes a local header gives, taking the Zip64 extra block into account.
void localSizes(const unsigned char* header, const std::string& extra, uint64_t& compressed, uint64_t& uncompressed) {
  compressed = le32(header + kLocalCompressedSize);
  uncompressed = le32(header + kLocalUncompressedSize);
  if (compressed != kZip64Marker32 && uncompressed != kZip64Marker32) return;
  const auto block = findExtraBlock(extra, kExtraZip64);
  if (!block) return;
  const auto* p = reinterpret_cast<const unsigned char*>(block->data());
  size_t at = 0;
  if (uncompressed == kZip64Marker32 && at + 8 <= block->size()) {
    uncompressed = le64(p + at);
    at += 8;
  }
  if (compressed == kZip64Marker32 && at + 8 <= block->size()) compressed = le64(p + at);
}

// The temporary name's failure message names the file the user knows.
std::string namingTarget(std::string message, const std::string& partial, const std::string& target) {
  const size_t at = message.find(partial);
  if (at != std::string::npos) message.replace(at, partial.size(), target);
  return message;
}

}  // namespace

ZipReader::ZipReader(platform::Env& env, const std::string& path)
    : ZipReader(env, env.openFile(path, platform::Access::Read, platform::Creation::OpenExisting,
                                  platform::Sharing::DenyWrite)) {}

ZipReader::ZipReader(platform::Env& env, std::unique_ptr<platform::File> file)
    : env_(env),
      file_(std::move(file)),
      dir_(readCentralDirectory(*file_, env)),
      dataOffsets_(dir_.entries.size(), 0) {}

uint64_t ZipReader::dataOffset(size_t index) {
  if (dataOffsets_[index] != 0) return dataOffsets_[index];
  const ZipEntry& e = dir_.entries[index];
  unsigned char h[kLocalHeaderSize];
  if (e.localHeaderOffset > dir_.offset || dir_.offset - e.localHeaderOffset < kLocalHeaderSize)
    rejectEntry(e, "its data lies outside the archive's data area");
  if (file_->readAt(e.localHeaderOffset, h, sizeof h) != sizeof h) throw ZipError(kErrorReading);
  if (le32(h) != kLocalHeaderSignature) throw ZipError(kErrorLocalSignature);
  const size_t nameLength = le16(h + kLocalNameLength);
  const size_t extraLength = le16(h + kLocalExtraLength);
  std::string nameAndExtra(nameLength + extraLength, '\0');
  if (!nameAndExtra.empty() && file_->readAt(e.localHeaderOffset + kLocalHeaderSize, nameAndExtra.data(),
                                             nameAndExtra.size()) != nameAndExtra.size())
    throw ZipError(kErrorReading);
  if (nameAndExtra.compare(0, nameLength, e.rawName) != 0 || nameLength != e.rawName.size())
    rejectEntry(e, "the local header names another file");
  if (le16(h + kLocalMethod) != e.method) rejectEntry(e, "the local header gives another method");
  uint64_t compressed, uncompressed;
  localSizes(h, nameAndExtra.substr(nameLength), compressed, uncompressed);
  // With a data descriptor the local sizes are not known yet; writers leave
  // zeros or partial values there.
  const bool sizesLater = (le16(h + kLocalFlags) & kFlagDataDescriptor) != 0;
  if (!sizesLater && (compressed != e.compressedSize || uncompressed != e.uncompressedSize))
    rejectEntry(e, "the local header gives other sizes");
  const uint64_t offset = e.localHeaderOffset + kLocalHeaderSize + nameLength + extraLength;
  if (offset > dir_.offset || e.compressedSize > dir_.offset - offset)
    rejectEntry(e, "its data lies outside the archive's data area");
  dataOffsets_[index] = offset;
  return offset;
}

void ZipReader::validateForExtraction(const std::function<bool(const ZipEntry&)>& passedOver) {
  struct Extent {
    uint64_t begin, end;
    size_t index;
  };
  std::vector<Extent> extents;
  extents.reserve(dir_.entries.size());
  for (size_t i = 0; i < dir_.entries.size(); ++i) {
    const ZipEntry& e = dir_.entries[i];
    if (auto why = unsafeNameReason(e.relativeName())) rejectEntry(e, "unsafe name: " + *why);
    const bool written = !passedOver || !passedOver(e);
    if (written && (e.flags & (kFlagEncrypted | kFlagStrongEncryption)))
      rejectEntry(e, "encrypted entries are not supported");
    if (written && !isSupportedMethod(e.method))
      rejectEntry(e, "unsupported compression method " + std::to_string(e.method));
    if (written && e.method == kMethodStored && e.compressedSize != e.uncompressedSize)
      rejectEntry(e, "stored sizes differ");
    extents.push_back({e.localHeaderOffset, dataOffset(i) + e.compressedSize, i});
  }
  std::sort(extents.begin(), extents.end(), [](const Extent& a, const Extent& b) { return a.begin < b.begin; });
  for (size_t k = 1; k < extents.size(); ++k)
    if (extents[k].begin < extents[k - 1].end)
      rejectEntry(dir_.entries[extents[k].index],
                  "its data overlaps entry \"" + printableName(dir_.entries[extents[k - 1].index].name) + "\"");
}

std::string ZipReader::targetPath(const ZipEntry& e, const std::string& destDir) const {
  std::string rel = windowsName(e.relativeName());
  const char sep = env_.separator();
  std::replace_if(
      rel.begin(), rel.end(), [](char c) { return c == '/' || c == '\\'; }, sep);
  return destDir + rel;
}

void ZipReader::makeFolders(const std::string& folder) {
  if (folder == lastFolder_) return;
  if (!platform::createDirs(env_, folder)) throw platform::IoError("Cannot create the folder " + folder);
  lastFolder_ = folder;
}

void ZipReader::putInPlace(const std::string& partial, const std::string& target) {
  if (env_.renameReplace(partial, target)) return;
  // A read-only file from an earlier install cannot be replaced as it is.
  if (env_.fileExists(target) && env_.setFileAttributes(target, 0) && env_.renameReplace(partial, target)) return;
  throw platform::IoError("Cannot write " + target);
}

void ZipReader::extract(size_t index, const std::string& destDir) {
  const ZipEntry& e = dir_.entries[index];
  if (auto why = unsafeNameReason(e.relativeName())) rejectEntry(e, "unsafe name: " + *why);
  const std::string target = targetPath(e, destDir);
  const char sep = env_.separator();
  if (target == destDir) return;  // a folder entry for the destination itself
  if (target.back() == sep) {
    makeFolders(target);
    return;
  }
  makeFolders(target.substr(0, target.rfind(sep) + 1));
  const uint64_t from = dataOffset(index);

  // Unpacked under a temporary name and renamed into place, so a killed or
  // failed install never leaves a half-written file under the real name. No
  // entry can carry the temporary name, so the only file it can meet is one
  // left by a killed install, which is simply overwritten.
  const std::string partial = target + kPartialSuffix;
  // Attributes mean something only in archives made on DOS or Windows.
  const std::optional<uint32_t> attributes =
      e.versionMadeBy < kFirstNonDosHost ? std::optional<uint32_t>(e.externalAttributes & 0xFF) : std::nullopt;
  bool stamped = false;
  std::unique_ptr<platform::File> out;
  try {
    out = platform::createReplacing(env_, partial, platform::Sharing::Private);
  } catch (const platform::IoError& err) {
    throw platform::IoError(namingTarget(err.what(), partial, target));
  }
  try {
    uint64_t at = 0;
    decoder_.decode(*file_, from, e, [&](const unsigned char* data, size_t n) {
      out->writeAt(at, data, n);
      at += n;
    });
    // Stamped while still open: a second opening per file costs more than
    // the writing of a small one. The stamp moves with the rename.
    stamped = out->setDosTimeAndAttributes(e.dosDate, e.dosTime, attributes);
    const bool placed = out->renameOpenFile(target);
    out.reset();
    if (!placed) putInPlace(partial, target);
  } catch (const platform::IoError& err) {
    // A full disk or a write error: the message names the file the user knows.
    out.reset();
    (void)env_.deleteFile(partial);  // best effort: the error being thrown is the one to report
    throw platform::IoError(namingTarget(err.what(), partial, target));
  } catch (...) {
    out.reset();
    (void)env_.deleteFile(partial);  // best effort: the error being thrown is the one to report
    throw;
  }
  if (stamped) return;
  // The content is in place; a file system that keeps no DOS time or
  // attributes (a network share, POSIX) does not make the entry fail.
  (void)env_.setFileDosTime(target, e.dosDate, e.dosTime);
  if (attributes) (void)env_.setFileAttributes(target, *attributes);
}

void ZipReader::decode(size_t index, const OutputFn& output) {
  const ZipEntry& e = dir_.entries[index];
  if (e.flags & (kFlagEncrypted | kFlagStrongEncryption)) rejectEntry(e, "encrypted entries are not supported");
  decoder_.decode(*file_, dataOffset(index), e, output);
}

}  // namespace package::zip
