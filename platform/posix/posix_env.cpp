#include "platform/posix/posix_env.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>

#include "base/ascii.h"

namespace platform {
namespace {

std::string errorText(const std::string& what, const std::string& path, int err) {
  return what + " " + path + ": " + std::strerror(err);
}

// An MS-DOS local date and time as a POSIX time; nullopt when it is no date.
std::optional<struct timespec> fromDosTime(uint16_t dosDate, uint16_t dosTime) {
  std::tm tm{};
  tm.tm_year = ((dosDate >> 9) & 0x7F) + 80;
  tm.tm_mon = ((dosDate >> 5) & 0x0F) - 1;
  tm.tm_mday = dosDate & 0x1F;
  tm.tm_hour = (dosTime >> 11) & 0x1F;
  tm.tm_min = (dosTime >> 5) & 0x3F;
  tm.tm_sec = (dosTime & 0x1F) * 2;
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  if (t == static_cast<std::time_t>(-1)) return std::nullopt;
  struct timespec ts {};
  ts.tv_sec = t;
  return ts;
}

// The read-only attribute as the owner's write permission; the rest has no
// POSIX counterpart.
mode_t modeWithAttributes(mode_t mode, uint32_t attributes) {
  mode &= 07777;
  return (attributes & kAttrReadOnly) ? (mode & static_cast<mode_t>(~0222)) : (mode | S_IWUSR);
}

class PosixFile : public File {
 public:
  PosixFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~PosixFile() override { ::close(fd_); }

  uint64_t size() override {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) throw IoError(errorText("Cannot read the size of", path_, errno));
    return static_cast<uint64_t>(st.st_size);
  }
  size_t readAt(uint64_t offset, void* buffer, size_t n) override {
    size_t done = 0;
    while (done < n) {
      ssize_t r = ::pread(fd_, static_cast<char*>(buffer) + done, n - done, static_cast<off_t>(offset + done));
      if (r < 0) {
        if (errno == EINTR) continue;
        throw IoError(errorText("Cannot read", path_, errno));
      }
      if (r == 0) break;
      done += static_cast<size_t>(r);
    }
    return done;
  }
  void writeAt(uint64_t offset, const void* data, size_t n) override {
    size_t done = 0;
    while (done < n) {
      ssize_t r = ::pwrite(fd_, static_cast<const char*>(data) + done, n - done, static_cast<off_t>(offset + done));
      if (r < 0) {
        if (errno == EINTR) continue;
        throw IoError(errorText("Cannot write", path_, errno));
      }
      done += static_cast<size_t>(r);
    }
  }
  void truncate(uint64_t size) override {
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) throw IoError(errorText("Cannot truncate", path_, errno));
  }
  void sync() override {
    if (::fsync(fd_) != 0) throw IoError(errorText("Cannot flush", path_, errno));
  }
  bool setDosTimeAndAttributes(uint16_t dosDate, uint16_t dosTime, std::optional<uint32_t> attributes) override {
    const auto ts = fromDosTime(dosDate, dosTime);
    if (!ts) return false;
    const struct timespec times[2] = {*ts, *ts};
    if (::futimens(fd_, times) != 0) return false;
    if (!attributes) return true;
    struct stat st {};
    return ::fstat(fd_, &st) == 0 && ::fchmod(fd_, modeWithAttributes(st.st_mode, *attributes)) == 0;
  }

 private:
  int fd_;
  std::string path_;
};

// "x/dodatki.mdb" -> "x/dodatki.ldb": the lock file the Jet engine keeps open
// beside a database while it is in use.
std::string lockFileFor(const std::string& path) {
  auto dot = path.rfind('.');
  auto slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  if (base::asciiLower(std::string_view(path).substr(dot)) != ".mdb") return {};
  return path.substr(0, dot) + ".ldb";
}

}  // namespace

std::unique_ptr<File> PosixEnv::openFile(const std::string& path, Access access, Creation creation, Sharing) {
  int flags = (access == Access::Read ? O_RDONLY : O_RDWR) | O_CLOEXEC;
  if (creation == Creation::CreateAlways) flags |= O_CREAT | O_TRUNC;
  if (creation == Creation::CreateNew) flags |= O_CREAT | O_EXCL;
  if (creation != Creation::OpenExisting && access == Access::Read) flags = (flags & ~O_RDONLY) | O_RDWR;
  int fd = ::open(path.c_str(), flags, 0644);
  if (fd < 0) throw IoError(errorText("Cannot open", path, errno));
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    throw IoError(errorText("Cannot open", path, EISDIR));
  }
  return std::make_unique<PosixFile>(fd, path);
}

bool PosixEnv::fileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool PosixEnv::dirExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PosixEnv::createDir(const std::string& path) { return ::mkdir(path.c_str(), 0755) == 0; }

bool PosixEnv::removeDir(const std::string& path) { return ::rmdir(path.c_str()) == 0; }

bool PosixEnv::deleteFile(const std::string& path) {
  if (dirExists(path)) return false;
  return ::unlink(path.c_str()) == 0;
}

bool PosixEnv::renameNoReplace(const std::string& from, const std::string& to) {
  if (!fileExists(from) && !dirExists(from)) return false;
  const std::string lock = lockFileFor(from);
  if (!lock.empty() && fileExists(lock)) return false;
#ifdef SYS_renameat2
  long r = ::syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), 1 /* RENAME_NOREPLACE */);
  if (r == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
#endif
  // File systems without renameat2: a hard link refuses an existing target.
  if (::link(from.c_str(), to.c_str()) != 0) return false;
  return ::unlink(from.c_str()) == 0;
}

bool PosixEnv::renameReplace(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

std::vector<DirEntry> PosixEnv::listDir(const std::string& path) {
  std::vector<DirEntry> out;
  DIR* d = ::opendir(path.c_str());
  if (!d) return out;
  std::string base = path;
  if (!base.empty() && base.back() != '/') base += '/';
  while (dirent* e = ::readdir(d)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    out.push_back({name, dirExists(base + name)});
  }
  ::closedir(d);
  return out;
}

std::string PosixEnv::currentDir() {
  std::vector<char> buf(4096);
  if (!::getcwd(buf.data(), buf.size())) return {};
  return buf.data();
}

std::string PosixEnv::executablePath() {
  std::vector<char> buf(4096);
  ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n < 0) return {};
  return std::string(buf.data(), static_cast<size_t>(n));
}

std::vector<std::string> PosixEnv::processNames() {
  // Each process's executable file name, in ascending process id order.
  std::vector<std::pair<long, std::string>> found;
  DIR* d = ::opendir("/proc");
  if (!d) return {};
  while (dirent* e = ::readdir(d)) {
    char* end = nullptr;
    long pid = std::strtol(e->d_name, &end, 10);
    if (!end || *end != '\0' || pid <= 0) continue;
    std::string name;
    std::vector<char> buf(4096);
    std::string exe = std::string("/proc/") + e->d_name + "/exe";
    ssize_t n = ::readlink(exe.c_str(), buf.data(), buf.size() - 1);
    if (n > 0) {
      name.assign(buf.data(), static_cast<size_t>(n));
      const std::string deleted = " (deleted)";
      if (name.size() > deleted.size() && name.compare(name.size() - deleted.size(), deleted.size(), deleted) == 0)
        name.resize(name.size() - deleted.size());
      auto slash = name.rfind('/');
      if (slash != std::string::npos) name = name.substr(slash + 1);
    } else {
      // Kernel threads and other users' processes: fall back to the short name.
      std::ifstream comm(std::string("/proc/") + e->d_name + "/comm");
      std::getline(comm, name);
    }
    if (name.size() > 260) name.resize(260);
    if (!name.empty()) found.emplace_back(pid, name);
  }
  ::closedir(d);
  std::sort(found.begin(), found.end());
  std::vector<std::string> names;
  names.reserve(found.size());
  for (auto& p : found) names.push_back(std::move(p.second));
  return names;
}

bool PosixEnv::setFileDosTime(const std::string& path, uint16_t dosDate, uint16_t dosTime) {
  const auto ts = fromDosTime(dosDate, dosTime);
  if (!ts) return false;
  const struct timespec times[2] = {*ts, *ts};
  return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

bool PosixEnv::setFileAttributes(const std::string& path, uint32_t attributes) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  return ::chmod(path.c_str(), modeWithAttributes(st.st_mode, attributes)) == 0;
}

Env& systemEnv() {
  static PosixEnv env;
  return env;
}

}  // namespace platform
