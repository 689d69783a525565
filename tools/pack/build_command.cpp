// pack build: a package folder and the installer stub become an installer.
#include <cstdio>
#include <ctime>
#include <memory>

#include "base/package_names.h"
#include "package/installer_footer.h"
#include "package/package_location.h"
#include "package/pe_certificate.h"
#include "package/zip_writer.h"
#include "tools/pack/command_line.h"
#include "tools/pack/package_plan.h"

namespace pack {
namespace {

using platform::Access;
using platform::Creation;
using platform::Sharing;
namespace zip = package::zip;

constexpr const char* kHelp =
    "Usage: pack build --stub STUB.exe --package DIR -o OUT.exe\n"
    "\n"
    "Makes an installer: the stub installer.exe followed by packages.zip (install.jpg,\n"
    "finish.jpg, optional cover.jpg, models.zip and optional db_materials.zip), the\n"
    "bytes EF BB BF and the 20-byte footer that gives where the archive starts.\n"
    "\n"
    "Refused (exit status 1, nothing written) is every package the installer would\n"
    "fail on: pictures its decoder cannot read, no package folder or two, no\n"
    "dodatki.mdb in lower case, or a dodatki.mdb whose rows do not fit the installed\n"
    "tables (each reason names the table, column, row key and value). Warned about\n"
    "(exit status 0): pictures of another size than 1040 x 585, and rows that will\n"
    "never be written because an earlier row has the same key.\n"
    "\n"
    "DIR must hold:\n"
    "  install.jpg, finish.jpg   the pictures the installer shows\n"
    "  cover.jpg                 optional\n"
    "  models/<Name>/            exactly one folder, the package folder, holding\n"
    "                            dodatki.mdb (lower case); <Name> is the package name\n"
    "  models/<Name>.txt, .jpg   optional, never installed\n"
    "  materials/                optional, installed into DB_MATERIALS\n"
    "\n"
    "Options:\n"
    "  --stub FILE      the installer stub (installer.exe without a package)\n"
    "  --package DIR    the package folder\n"
    "  -o, --output FILE  the installer to write (replaced when it exists)\n"
    "  -h, --help       this text\n"
    "\n"
    "Signing: sign OUT.exe (Authenticode) after packing, never the stub before it.\n"
    "Signing appends a certificate table after the footer, which the installer skips;\n"
    "packing after signing would break the signature.\n"
    "\n"
    "Exit status: 0 written, 1 package refused or writing failed, 2 wrong usage.\n";

zip::EntryOptions entryOptions() {
  zip::EntryOptions o;  // version 2.0 on MS-DOS, UTF-8 names, deflate, archive attribute
  const std::time_t now = std::time(nullptr);
  if (const std::tm* t = std::localtime(&now)) {
    o.dosDate = zip::dosDate(t->tm_year + 1900, t->tm_mon + 1, t->tm_mday);
    o.dosTime = zip::dosTime(t->tm_hour, t->tm_min, t->tm_sec);
  }
  return o;
}

// Writes one archive of `files` to `path`.
void writeArchive(platform::Env& env, const std::string& path, const std::vector<PlannedFile>& files,
                  const zip::EntryOptions& options, ProgressMeter& meter, uint64_t& done) {
  auto out = env.openFile(path, Access::ReadWrite, Creation::CreateAlways, Sharing::DenyWrite);
  zip::ZipWriter writer(*out);
  for (const auto& f : files) {
    if (f.isFolder) {  // an empty folder: "name\" with the same attribute as every entry
      writer.addBytes(f.entryName, "", options);
      continue;
    }
    const uint64_t before = done;
    writer.addFile(f.entryName, env, f.path, options, [&](uint64_t n) { meter.update(done = before + n); });
    done = before + f.size;
  }
  writer.finish();
}

void copyFile(platform::File& from, platform::File& to) {
  std::vector<char> block(1 << 20);
  const uint64_t size = from.size();
  for (uint64_t at = 0; at < size;) {
    const size_t n = from.readAt(at, block.data(), block.size());
    if (n == 0) throw platform::IoError("the stub ended early");
    to.writeAt(at, block.data(), n);
    at += n;
  }
}

// Why the stub cannot take a package, or empty.
std::string stubProblem(platform::Env& env, const std::string& stub, std::vector<std::string>& warnings) {
  if (!env.fileExists(stub)) return "the stub " + stub + " does not exist";
  auto f = env.openFile(stub, Access::Read, Creation::OpenExisting, Sharing::DenyWrite);
  char mz[2] = {};
  if (f->readAt(0, mz, 2) != 2 || mz[0] != 'M' || mz[1] != 'Z')
    return "the stub " + stub + " is not a Windows program: give the installer.exe of this project";
  if (auto loc = package::locatePackage(*f);
      loc && loc->offset > 0 && static_cast<uint64_t>(loc->offset) < loc->footerAt)
    return "the stub " + stub + " already carries a package: give the bare installer.exe";
  if (package::findCertificateTable(*f))
    warnings.push_back("the stub " + stub +
                       " is signed; its signature will not cover the package, sign the "
                       "installer after packing instead");
  return {};
}

// Removes the temporary files on every way out.
struct TempFiles {
  platform::Env& env;
  std::vector<std::string> paths;
  ~TempFiles() {
    // A destructor has no one to tell: temporary files left behind are harmless.
    for (const auto& p : paths)
      if (env.fileExists(p)) (void)env.deleteFile(p);
  }
};

}  // namespace

int runBuild(const Args& args) {
  const auto p = parseArgs(args, {"--stub", "--package", "--output"}, {{"-o", "--output"}});
  if (p.help) {
    std::fputs(kHelp, stdout);
    return kExitOk;
  }
  std::string usage = p.error;
  if (usage.empty() && !p.positional.empty()) usage = "unexpected argument '" + p.positional[0] + "'";
  for (const char* required : {"--stub", "--package", "--output"})
    if (usage.empty() && !p.options.count(required)) usage = std::string("missing option ") + required;
  if (!usage.empty()) {
    complain(usage + "\nRun 'pack build --help' for the options.");
    return kExitUsage;
  }
  const std::string stub = p.options.at("--stub");
  const std::string dir = p.options.at("--package");
  const std::string output = p.options.at("--output");

  platform::Env& env = platform::systemEnv();
  try {
    std::vector<std::string> warnings;
    if (auto why = stubProblem(env, stub, warnings); !why.empty()) {
      complain("refused: " + why);
      return kExitRefused;
    }
    PackagePlan plan = planPackage(env, dir);
    for (const auto& w : plan.warnings) warnings.push_back(w);
    for (const auto& w : warnings) complain("warning: " + w);
    if (!plan.problems.empty()) {
      for (const auto& problem : plan.problems) complain("refused: " + problem);
      complain("the installer would not install this package; nothing was written");
      return kExitRefused;
    }

    TempFiles temps{env, {output + ".models.tmp", output + ".materials.tmp", output + ".tmp"}};
    const std::string& modelsZip = temps.paths[0];
    const std::string& materialsZip = temps.paths[1];
    const std::string& partial = temps.paths[2];
    const zip::EntryOptions options = entryOptions();
    zip::EntryOptions nested = options;
    nested.level = 1;  // the archives inside are compressed already

    uint64_t done = 0;
    ProgressMeter meter("pack: compressing", plan.totalBytes());
    writeArchive(env, modelsZip, plan.models, options, meter, done);
    if (plan.hasMaterials) writeArchive(env, materialsZip, plan.materials, options, meter, done);
    meter.finish();

    auto out = env.openFile(partial, Access::ReadWrite, Creation::CreateAlways, Sharing::DenyWrite);
    {
      auto in = env.openFile(stub, Access::Read, Creation::OpenExisting, Sharing::DenyWrite);
      copyFile(*in, *out);
    }
    const uint64_t offset = out->size();
    zip::ZipWriter writer(*out, offset);
    for (const auto& picture : plan.pictures) writer.addFile(picture.entryName, env, picture.path, options);
    writer.addFile(base::kModelsZipName, env, modelsZip, nested);
    if (plan.hasMaterials) writer.addFile(base::kMaterialsZipName, env, materialsZip, nested);
    const uint64_t archiveSize = writer.finish();
    const std::string tail = std::string(package::kByteOrderMark) + package::makeFooter(offset);
    out->writeAt(offset + archiveSize, tail.data(), tail.size());
    out->sync();
    const uint64_t total = out->size();
    out.reset();
    if (!env.renameReplace(partial, output)) throw platform::IoError("cannot put the installer in place at " + output);

    std::printf("%s: package \"%s\", %zu model files%s, archive at offset %llu, %s in all\n", output.c_str(),
                plan.packageName.c_str(), plan.models.size(), plan.hasMaterials ? " and materials" : "",
                static_cast<unsigned long long>(offset), humanSize(total).c_str());
    const auto& db = plan.database;
    std::printf(
        "  dodatki.mdb: %zu producer rows (%zu \"DELETE\" markers), %zu accessory rows (%zu \"DELETE\" "
        "markers); the installer writes %zu and %zu of them\n",
        db.producers.rows, db.producers.markers, db.accessories.rows, db.accessories.markers, db.producers.written,
        db.accessories.written);
    return kExitOk;
  } catch (const std::exception& e) {
    complain(std::string("failed: ") + e.what());
    return kExitRefused;
  }
}

}  // namespace pack
