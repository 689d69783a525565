#include "tools/pack/list_json.h"

#include <cstdio>

#include "tools/pack/json_text.h"

namespace pack {
namespace {

namespace zip = package::zip;

std::string archiveJson(const std::string& name, const zip::ZipReader& reader) {
  std::string entries;
  for (const auto& e : reader.entries()) {
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08x", e.crc32);
    entries += std::string(entries.empty() ? "" : ",") + "{\"name\":" + jsonString(e.name) +
               ",\"size\":" + std::to_string(e.uncompressedSize) + ",\"packed\":" + std::to_string(e.compressedSize) +
               ",\"method\":" + std::to_string(e.method) + ",\"crc32\":\"" + crc + "\"}";
  }
  return "{\"name\":" + jsonString(name) + ",\"entries\":[" + entries + "]}";
}

}  // namespace

void printListJson(Inspection& in, const std::string& path) {
  std::string archives;
  const auto folders = in.visitArchives(path, [&](const std::string& name, zip::ZipReader& reader) {
    archives += (archives.empty() ? "" : ",") + archiveJson(name, reader);
  });
  const std::string offset = in.isInstaller() ? std::to_string(in.location().offset) : "null";
  const bool signedFile = in.isInstaller() && in.location().afterSignature;
  std::printf(
      "{\"file\":%s,\"installer\":%s,\"archiveOffset\":%s,\"archiveSize\":%llu,\"signed\":%s,"
      "\"package\":%s,\"packageFolders\":%s,\"archives\":[%s]}\n",
      jsonString(path).c_str(), in.isInstaller() ? "true" : "false", offset.c_str(),
      static_cast<unsigned long long>(in.archiveSize()), signedFile ? "true" : "false",
      folders && folders->size() == 1 ? jsonString((*folders)[0]).c_str() : "null",
      jsonStrings(folders.value_or(std::vector<std::string>{})).c_str(), archives.c_str());
}

}  // namespace pack
