#pragma once
// Files for the pack tests, written through the Env so that UTF-8 names work
// on Windows too, and a minimal Windows program to serve as the stub.
#include <cstring>
#include <string>
#include <vector>

#include "base/byte_order.h"
#include "platform/env.h"

namespace test {

inline void writeFile(const std::string& path, const std::string& bytes) {
  auto& env = platform::systemEnv();
  (void)platform::createDirs(
      env, path.substr(0, path.rfind(env.separator()) + 1));  // openFile below reports a folder it lacks
  env.openFile(path, platform::Access::ReadWrite, platform::Creation::CreateAlways, platform::Sharing::DenyWrite)
      ->writeAt(0, bytes.data(), bytes.size());
}

inline std::string readFile(const std::string& path) {
  auto f = platform::systemEnv().openFile(path, platform::Access::Read, platform::Creation::OpenExisting,
                                          platform::Sharing::DenyWrite);
  std::string bytes(static_cast<size_t>(f->size()), '\0');
  bytes.resize(f->readAt(0, bytes.data(), bytes.size()));
  return bytes;
}

// Bytes that deflate neither perfectly nor not at all.
inline std::string sampleBytes(size_t n, uint32_t seed) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) {
    seed = seed * 1664525u + 1013904223u;
    s[i] = static_cast<char>((seed >> 24) % ((i / 512) % 2 ? 7 : 251));
  }
  return s;
}

// A PE32+ image with one empty code section: the smallest file that signing
// tools accept as a Windows program.
inline std::string minimalPe() {
  using base::putLe16;
  using base::putLe32;
  std::string pe(0x400, '\0');
  auto* p = reinterpret_cast<unsigned char*>(pe.data());
  p[0] = 'M';
  p[1] = 'Z';
  putLe32(p + 0x3C, 0x40);
  unsigned char* h = p + 0x40;
  h[0] = 'P';
  h[1] = 'E';
  putLe16(h + 4, 0x8664);   // machine: x86-64
  putLe16(h + 6, 1);        // sections
  putLe16(h + 20, 240);     // optional header size
  putLe16(h + 22, 0x0022);  // executable, large-address aware
  unsigned char* o = h + 24;
  putLe16(o, 0x20B);
  putLe32(o + 16, 0x1000);      // entry point
  putLe32(o + 20, 0x1000);      // base of code
  putLe32(o + 24, 0x40000000);  // image base (low half)
  putLe32(o + 32, 0x1000);      // section alignment
  putLe32(o + 36, 0x200);       // file alignment
  putLe16(o + 40, 6);           // OS version
  putLe16(o + 48, 6);           // subsystem version
  putLe32(o + 56, 0x2000);      // image size
  putLe32(o + 60, 0x200);       // headers size
  putLe16(o + 68, 3);           // console subsystem
  putLe32(o + 72, 0x100000);    // stack reserve
  putLe32(o + 80, 0x1000);      // stack commit
  putLe32(o + 88, 0x100000);    // heap reserve
  putLe32(o + 96, 0x1000);      // heap commit
  putLe32(o + 108, 16);         // data directories
  unsigned char* s = o + 240;   // section header
  std::memcpy(s, ".text", 5);
  putLe32(s + 8, 0x200);
  putLe32(s + 12, 0x1000);
  putLe32(s + 16, 0x200);
  putLe32(s + 20, 0x200);
  putLe32(s + 36, 0x60000020);
  p[0x200] = 0xC3;  // ret
  return pe;
}

}  // namespace test
