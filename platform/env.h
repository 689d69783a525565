#pragma once
// The operating system behind one interface. Every file and folder operation of
// the installer, the ZIP reader and the Jet engine goes through an Env, so tests
// can swap in a fault-injecting one and the logic stays free of <windows.h>.
//
// Paths are UTF-8. On Windows the separator is "\", on POSIX "/"; callers build
// paths by plain concatenation with separator().

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A file or folder operation that failed where the caller cannot go on; the
// message is the system's text, with the path.
class IoError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class Access { Read, ReadWrite };
enum class Creation {
  OpenExisting,  // fails when the file is missing
  CreateAlways,  // created anew or truncated
  CreateNew,     // fails when the file exists
};
enum class Sharing {
  DenyWrite,  // others may read, nobody else may write
  DenyNone,   // others may read and write (the Jet engine's mode)
  // A file being made: others may read it, nobody else may write, rename or
  // delete it, and its opener may rename it through File::renameOpenFile.
  Private,
};

// An open file, for one thread at a time. Every method throws IoError on
// failure.
class File {
 public:
  virtual ~File() = default;
  [[nodiscard]] virtual uint64_t size() = 0;
  // Reads up to n bytes at offset; returns fewer only at the end of the file.
  [[nodiscard]] virtual size_t readAt(uint64_t offset, void* buffer, size_t n) = 0;
  // Writes all n bytes at offset, growing the file as needed.
  virtual void writeAt(uint64_t offset, const void* data, size_t n) = 0;
  virtual void truncate(uint64_t size) = 0;
  // Makes what was written durable.
  virtual void sync() = 0;
  // Sets creation and last-write time from an MS-DOS local date and time and,
  // when given, the DOS attributes, on the open file: an unpacked file then
  // needs no second opening. False where it was not done; the caller then
  // uses the Env's path operations.
  virtual bool setDosTimeAndAttributes(uint16_t dosDate, uint16_t dosTime, std::optional<uint32_t> attributes) {
    (void)dosDate, (void)dosTime, (void)attributes;
    return false;
  }
  // Renames the open file to target, replacing a file of that name, so an
  // unpacked file needs no second opening to be put in place. False where it
  // was not done (among others: a read-only target); the caller then closes
  // the file and renames it by path. Only a file opened with
  // Sharing::Private can be renamed so.
  [[nodiscard]] virtual bool renameOpenFile(const std::string& target) {
    (void)target;
    return false;
  }
};

struct DirEntry {
  std::string name;
  bool isDir = false;
};

// DOS file attribute bits as stored in ZIP archives and Windows file systems.
inline constexpr uint32_t kAttrReadOnly = 0x01;
inline constexpr uint32_t kAttrHidden = 0x02;
inline constexpr uint32_t kAttrSystem = 0x04;
inline constexpr uint32_t kAttrDirectory = 0x10;
inline constexpr uint32_t kAttrArchive = 0x20;

class Env {
 public:
  virtual ~Env() = default;

  // "\" on Windows, "/" on POSIX.
  [[nodiscard]] virtual char separator() const = 0;

  // Opens or creates a file. Throws IoError with the system's message.
  [[nodiscard]] virtual std::unique_ptr<File> openFile(const std::string& path, Access access, Creation creation,
                                                       Sharing sharing) = 0;

  // True when path names an existing file (a folder does not count).
  [[nodiscard]] virtual bool fileExists(const std::string& path) = 0;
  // True when path names an existing folder, following links.
  [[nodiscard]] virtual bool dirExists(const std::string& path) = 0;
  // Creates one folder; false when it could not be created (or exists).
  [[nodiscard]] virtual bool createDir(const std::string& path) = 0;
  // Removes a folder only when it is empty.
  [[nodiscard]] virtual bool removeDir(const std::string& path) = 0;
  [[nodiscard]] virtual bool deleteFile(const std::string& path) = 0;
  // Renames a file without replacing: fails when `to` exists or when another
  // program holds `from` open (on POSIX: a Jet lock file "<name>.ldb" beside a
  // database counts as held open, since POSIX lets an open file be renamed).
  [[nodiscard]] virtual bool renameNoReplace(const std::string& from, const std::string& to) = 0;
  // Renames a file over an existing one in one step (for writing a temporary
  // file and putting it into place).
  [[nodiscard]] virtual bool renameReplace(const std::string& from, const std::string& to) = 0;
  // Entries of one folder, without "." and "..", in the file system's order.
  // Hidden and system entries are included. Empty when the folder is missing.
  [[nodiscard]] virtual std::vector<DirEntry> listDir(const std::string& path) = 0;

  // Logical drive roots ("C:\", "D:\" ...) in the system's order. On POSIX the
  // list set with setDriveRoots (default: "/").
  [[nodiscard]] virtual std::vector<std::string> driveRoots() = 0;
  [[nodiscard]] virtual std::string currentDir() = 0;
  [[nodiscard]] virtual std::string executablePath() = 0;
  // Image file names (no folder) of the running processes, in a fixed order;
  // empty when the list cannot be taken.
  [[nodiscard]] virtual std::vector<std::string> processNames() = 0;
  // The OEM code page for ZIP names without the UTF-8 flag (852 on POSIX, the
  // code page of Polish Windows).
  [[nodiscard]] virtual int oemCodePage() = 0;
  // Text in the single-byte code page `codePage` as UTF-8, converted by the
  // system; nullopt where the system has no conversion for it (POSIX, or a
  // code page Windows does not know), and the caller uses its own tables.
  [[nodiscard]] virtual std::optional<std::string> decodeCodePage(std::string_view bytes, int codePage) = 0;

  // Sets creation and last-write time from an MS-DOS local date and time.
  [[nodiscard]] virtual bool setFileDosTime(const std::string& path, uint16_t dosDate, uint16_t dosTime) = 0;
  // Applies DOS attributes (read-only, hidden, system, archive).
  [[nodiscard]] virtual bool setFileAttributes(const std::string& path, uint32_t attributes) = 0;
};

// The Env of the running system (POSIX or Windows, chosen by the build).
[[nodiscard]] Env& systemEnv();

// Creates every missing folder of path (which may end with the separator).
// Works below a drive ("C:\"), a network share ("\\server\share\") and
// either behind the long-path prefix ("\\?\C:\", "\\?\UNC\server\share\").
[[nodiscard]] bool createDirs(Env& env, const std::string& path);

// A new, empty file at path, open for reading and writing; a file left
// there (by a killed run) is replaced. The file is created exclusively where
// no file is in the way: creating over a name truncates, and on ext4 (under
// Wine, which truncates every file it creates that way) a truncated file's
// data is forced to the disk when it is closed, which the next durable write
// of any file then waits for.
[[nodiscard]] std::unique_ptr<File> createReplacing(Env& env, const std::string& path, Sharing sharing);

// The whole content of a file, read while others may not write it; nullopt
// when the file is larger than maxSize (nothing is read then). Throws
// IoError when the file cannot be opened or read.
[[nodiscard]] std::optional<std::string> readWholeFile(Env& env, const std::string& path, uint64_t maxSize);

// Length of the leading part of path that names a volume rather than a
// folder: "C:", "\\server\share", "\\?\C:", "\\?\UNC\server\share";
// 0 for a path without one (a POSIX path, a relative path).
[[nodiscard]] size_t volumePrefixLength(const std::string& path);

}  // namespace platform
