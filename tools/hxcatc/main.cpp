// hxcatc: compiles message catalog sources into the binary catalogs that hxtrack reads, and
// dumps a binary catalog back to source form.
//
//   hxcatc compile <source.txt> <out.cat>
//   hxcatc dump <file.cat>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "foundation/core/Nodiscard.h"
#include "foundation/messages/CatalogCompiler.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitBadInput = 1;
constexpr int kExitUsage = 2;

int Usage() {
  std::cerr << "usage: hxcatc compile <source.txt> <out.cat>\n"
               "       hxcatc dump <file.cat>\n";
  return kExitUsage;
}

HX_NODISCARD bool ReadFile(const char* path, std::string& data) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  data = buffer.str();
  return !in.bad();
}

int Fail(const char* path, const std::string& message) {
  std::cerr << "hxcatc: " << path << ": " << message << "\n";
  return kExitBadInput;
}

HX_NODISCARD int Compile(const char* sourcePath, const char* outPath) {
  std::string source, image, error;
  if (!ReadFile(sourcePath, source)) return Fail(sourcePath, std::strerror(errno));
  if (!hx::CompileCatalog(source, image, error)) return Fail(sourcePath, error);
  // Written beside the target and renamed, so a failed write never leaves half a catalog.
  const std::string temp = std::string(outPath) + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out || !out.write(image.data(), static_cast<std::streamsize>(image.size())) || !out.flush()) {
      std::remove(temp.c_str());
      return Fail(outPath, "cannot write the catalog");
    }
  }
  if (std::rename(temp.c_str(), outPath) != 0) {
    const std::string why = std::strerror(errno);
    std::remove(temp.c_str());
    return Fail(outPath, why);
  }
  return kExitOk;
}

HX_NODISCARD int Dump(const char* path) {
  std::string image, source, error;
  if (!ReadFile(path, image)) return Fail(path, std::strerror(errno));
  const bool ok = hx::DumpCatalog(image, source, error);
  std::cout << source;
  std::cout.flush();
  return ok ? kExitOk : Fail(path, error);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "compile") == 0) return Compile(argv[2], argv[3]);
  if (argc == 3 && std::strcmp(argv[1], "dump") == 0) return Dump(argv[2]);
  return Usage();
}
