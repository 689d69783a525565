#include <algorithm>
#include <memory>
#include <vector>

#include "base/package_names.h"
#include "package/installer_footer.h"
#include "package/package.h"
#include "package/package_location.h"

namespace package {
namespace {

constexpr size_t kCopyBlock = 1 << 20;

using platform::Access;
using platform::Creation;
using platform::Sharing;

void copyRange(platform::File& from, uint64_t begin, uint64_t end, platform::File& to, ui::Reporter& reporter) {
  std::vector<char> block(kCopyBlock);
  for (uint64_t at = begin; at < end;) {
    reporter.stillWorking();
    const size_t n = static_cast<size_t>(std::min<uint64_t>(kCopyBlock, end - at));
    if (from.readAt(at, block.data(), n) != n) throw platform::IoError("Unexpected end of the installer file");
    to.writeAt(at - begin, block.data(), n);
    at += n;
  }
}

}  // namespace

int64_t copyPackageOut(platform::Env& env, ui::Reporter& reporter, const std::string& exeName,
                       const std::string& tmpDir) {
  const std::string tmpName = tmpDir + kFooterFileName;
  std::unique_ptr<platform::File> exe;
  std::optional<PackageLocation> footer;
  try {
    exe = env.openFile(exeName, Access::Read, Creation::OpenExisting, Sharing::DenyWrite);
    const uint64_t size = exe->size();
    const uint64_t footerAt = size >= kFooterSize ? size - kFooterSize : 0;
    std::string last(static_cast<size_t>(size - footerAt), '\0');
    last.resize(exe->readAt(footerAt, last.data(), last.size()));
    platform::createReplacing(env, tmpName, Sharing::DenyWrite)->writeAt(0, last.data(), last.size());
    std::optional<int64_t> offset;
    try {
      offset = parseFooter(platform::readWholeFile(env, tmpName, kFooterSize).value_or(std::string()));
    } catch (const platform::IoError&) {
      // A footer that cannot be read back counts as no number.
    }
    if (offset)
      footer = PackageLocation{*offset, footerAt, false};
    else
      footer = locateSignedPackage(*exe);
  } catch (...) {
    (void)env.deleteFile(tmpName);  // best effort: the error being thrown is the one to report
    throw;
  }
  // A footer copy left behind is overwritten by the next start.
  if (env.fileExists(tmpName)) (void)env.deleteFile(tmpName);

  if (!footer) {
    reporter.info(1, "Brak zawartego pakietu!");
    return 0;
  }
  reporter.info(2, "Offset EXE: " + std::to_string(footer->offset));
  if (footer->offset > 0) {
    auto out = platform::createReplacing(env, tmpDir + base::kPackagesZipName, Sharing::DenyWrite);
    const auto begin = static_cast<uint64_t>(footer->offset);
    if (begin < footer->footerAt) copyRange(*exe, begin, footer->footerAt, *out, reporter);
  }
  return footer->offset;
}

}  // namespace package
