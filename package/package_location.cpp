#include "package/package_location.h"

#include <string>

#include "package/installer_footer.h"
#include "package/pe_certificate.h"

namespace package {

std::optional<PackageLocation> locateSignedPackage(platform::File& file) {
  const auto table = findCertificateTable(file);
  if (!table || table->offset + table->size != file.size() || table->offset < kFooterSize) return std::nullopt;
  const uint64_t span = kFooterSize + kMaxCertificatePadding;
  const uint64_t from = table->offset >= span ? table->offset - span : 0;
  std::string bytes(static_cast<size_t>(table->offset - from), '\0');
  if (file.readAt(from, bytes.data(), bytes.size()) != bytes.size()) return std::nullopt;
  size_t end = bytes.size();
  for (int k = 0; k < kMaxCertificatePadding && end > kFooterSize && bytes[end - 1] == '\0'; ++k) --end;
  const auto offset = parseFooter(std::string_view(bytes).substr(end - kFooterSize, kFooterSize));
  if (!offset) return std::nullopt;
  return PackageLocation{*offset, from + end - kFooterSize, true};
}

std::optional<PackageLocation> locatePackage(platform::File& file) {
  const uint64_t size = file.size();
  if (size >= kFooterSize) {
    std::string last(kFooterSize, '\0');
    if (file.readAt(size - kFooterSize, last.data(), last.size()) == last.size())
      if (auto offset = parseFooter(last)) return PackageLocation{*offset, size - kFooterSize, false};
  }
  return locateSignedPackage(file);
}

}  // namespace package
