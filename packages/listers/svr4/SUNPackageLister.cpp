#include "packages/listers/svr4/SUNPackageLister.h"

#include "foundation/core/Nodiscard.h"
#include "foundation/files/FileService.h"
#include "foundation/messages/Errors.h"
#include "foundation/process/RunCommand.h"
#include "foundation/time/IsoDateTime.h"
#include "packages/listers/PackageSources.h"

namespace {

using namespace trk;

constexpr const char* c_Pkginfo = "pkginfo";
constexpr const char* c_Pkgchk = "pkgchk";
constexpr const char* c_Long = "-l";
constexpr const char* c_NoAction = "-n";
constexpr const char* c_AllInstances = ".*";
constexpr std::string_view c_NoInformation = "ERROR: information for";
constexpr std::string_view c_NoPathnames = "WARNING: no pathnames were associated with";

constexpr std::string_view c_KeyInstance = "PKGINST";
constexpr std::string_view c_KeyVersion = "VERSION";
constexpr std::string_view c_KeyArch = "ARCH";
constexpr std::string_view c_KeyInstallDate = "INSTDATE";
constexpr std::string_view c_KeyName = "NAME";
constexpr std::string_view c_KeyDescription = "DESC";
constexpr std::string_view c_KeyVendor = "VENDOR";

// A per-package query's tool run: output and error output apart. A failing tool, or one that
// says it knows nothing of the package, answers RC_PKG_TOOL_FAILED; *exitCode tells which.
HX_NODISCARD hx::ResultT SUNCommand(const CommandLineC& command, std::string* output, uint32_t* exitCode) {
  MemoryOutputStreamC out, err;
  hx::ResultT r = RunSourceTool(command, &out, &err, exitCode);
  if (hx::Failed(r)) return r;
  if (*exitCode != 0) return RC_PKG_TOOL_FAILED;
  for (const std::string& line : hx::SplitLines(err.GetData())) {
    if (hx::StartsWith(line, c_NoInformation) || hx::StartsWith(line, c_NoPathnames)) r = RC_PKG_TOOL_FAILED;
  }
  *output = out.TakeData();
  return r;
}

// The next line of text from *position (without its line end); false at the end.
HX_NODISCARD bool NextLine(const std::string& text, size_t* position, std::string_view* line) {
  if (*position >= text.size()) return false;
  size_t end = text.find('\n', *position);
  if (end == std::string::npos) end = text.size();
  *line = std::string_view(text).substr(*position, end - *position);
  if (!line->empty() && line->back() == '\r') line->remove_suffix(1);
  *position = end + 1;
  return true;
}

bool IsEmptyLine(std::string_view line) { return line.find_first_not_of(" \t\r\n") == std::string_view::npos; }

// The converted versions of the VERSION lines of "pkginfo -l" output.
std::vector<PackageVersionC> VersionLines(const std::string& output) {
  std::vector<PackageVersionC> versions;
  size_t position = 0;
  std::string_view line, key, value;
  while (NextLine(output, &position, &line)) {
    if (svr4::SplitPkginfoLine(line, &key, &value) && key.find(c_KeyVersion) != std::string_view::npos)
      versions.emplace_back(svr4::ConvertVersion(value));
  }
  return versions;
}

}  // namespace

// ---- SUNPackageInfoC ----

hx::ResultT SUNPackageInfoC::getInstallCount(int* count) const {
  *count = 0;
  std::string output;
  uint32_t exitCode = 0;
  const hx::ResultT r = SUNCommand(CommandLineC{c_Pkginfo, c_Long, name() + c_AllInstances}, &output, &exitCode);
  if (hx::Failed(r)) return r;
  const bool anyVersion = version().version().empty();
  for (const PackageVersionC& v : VersionLines(output)) {
    if (anyVersion || v.compare(version()) == 0) ++*count;
  }
  return hx::RC_OK;
}

hx::ResultT SUNPackageInfoC::getInstalledVersion(PackageVersionC* version) const {
  std::string output;
  uint32_t exitCode = 0;
  const hx::ResultT r = SUNCommand(CommandLineC{c_Pkginfo, c_Long, name()}, &output, &exitCode);
  if (hx::Failed(r)) return r;
  *version = PackageVersionC();
  for (const PackageVersionC& v : VersionLines(output)) {
    if (v.compare(*version) > 0) *version = v;
  }
  return hx::RC_OK;
}

int SUNPackageInfoC::verifyInstalledPackage() const {
  static constexpr int c_ToolFailed = 1;
  static constexpr int c_Complained = 0;
  static constexpr int c_Verified = 2;
  std::string output;
  uint32_t exitCode = 0;
  const hx::ResultT r = SUNCommand(CommandLineC{c_Pkgchk, c_NoAction, name()}, &output, &exitCode);
  // The exit code stays unknown when the tool did not run to its end.
  if (exitCode != 0) return c_ToolFailed;
  return r == RC_PKG_TOOL_FAILED ? c_Complained : c_Verified;
}

hx::ResultT SUNPackageInfoC::getFileList(StringArrayC* files) const {
  if (files == nullptr) return hx::RC_INVALID_ARG;
  if (listed_) return PackageInfoC::getFileList(files);
  files->clear();
  std::string output;
  uint32_t exitCode = 0;
  const hx::ResultT r = SUNCommand(CommandLineC{c_Pkgchk, c_Long, name()}, &output, &exitCode);
  if (hx::Failed(r)) return r;
  svr4::FileMapT map;
  svr4::PkgchkListReaderC reader(&map);
  size_t position = 0;
  std::string_view line;
  while (NextLine(output, &position, &line)) reader.Line(line);
  *files = std::move(map[name()]);
  return hx::RC_OK;
}

// ---- SUNPackageListerC ----

void SUNPackageListerC::setPkginfoOutput(std::string text, bool captured) {
  pkginfo_ = std::move(text);
  captured_ = captured;
  position_ = 0;
}

hx::ResultT SUNPackageListerC::readFileMap() {
  files_.clear();
  hx::UniqueFdC fd;
  if (hx::Succeeded(OpenSourceFile(FileService()->systemPath(c_Svr4ContentsFile), &fd)))
    return ForEachLine(fd.get(), [this](std::string_view line) { svr4::AddContentsLine(line, &files_); });
  // Without the contents file (a zone without it, a damaged system) the tool knows the same.
  struct ReaderStreamC : LineOutputStreamC {
    explicit ReaderStreamC(svr4::FileMapT* files) : reader(files) {}
    hx::ResultT WriteLine(std::string_view line) override {
      reader.Line(line);
      return hx::RC_OK;
    }
    svr4::PkgchkListReaderC reader;
  } stream(&files_);
  uint32_t exitCode = 0;
  const hx::ResultT r = RunSourceTool(CommandLineC{c_Pkgchk, c_Long}, &stream, nullptr, &exitCode);
  HX_IGNORE_RESULT(stream.Flush());  // a last line without its end is only collected: it cannot fail
  return r;
}

hx::ResultT SUNPackageListerC::startEnum() {
  captured_ = false;
  // Without the file map the packages are listed without their files (the failure is logged).
  if ((flags() & LISTER_FILE_LISTS) != 0) HX_IGNORE_RESULT(readFileMap());
  const CommandLineC command{c_Pkginfo, c_Long};
  MemoryOutputStreamC out;
  uint32_t exitCode = 0;
  const hx::ResultT r = RunSourceTool(command, &out, nullptr, &exitCode);
  // What the tool printed before it failed or was stopped is still read (the failure is in
  // the log); only a tool that gave nothing fails the enumeration.
  std::string text = out.TakeData();
  const bool any = !text.empty();
  if (hx::Failed(r) && !any) return r;
  setPkginfoOutput(std::move(text));
  size_t unreadable = 0, position = 0;
  std::string_view line;
  while (NextLine(pkginfo_, &position, &line)) unreadable += svr4::IsPkginfoLine(line) ? 0 : 1;
  LogUnreadableLines(command, unreadable);
  return hx::RC_OK;
}

void SUNPackageListerC::finishPackage(SUNPackageInfoC* package) {
  if ((flags() & LISTER_FILE_LISTS) != 0) {
    const auto it = files_.find(package->name());
    if (it != files_.end()) package->files() = std::move(it->second);
  }
  package->setListed(true);
  package->setStatus(package->status() | PackageInfoC::c_StatusListed);
}

hx::ResultT SUNPackageListerC::getNext(std::unique_ptr<PackageInfoC>* package) {
  if (package == nullptr) return hx::RC_INVALID_ARG;
  package->reset();
  if (!captured_) return Error(MSG_PKG_NO_LIST, TXT_PKG_NO_LIST);
  auto current = std::make_unique<SUNPackageInfoC>();
  bool started = false;
  std::string_view line, key, value;
  while (NextLine(pkginfo_, &position_, &line)) {
    if (IsEmptyLine(line)) {
      if (!started) continue;
      finishPackage(current.get());
      *package = std::move(current);
      return hx::RC_OK;
    }
    if (!svr4::SplitPkginfoLine(line, &key, &value) || value.empty()) continue;
    if (key == c_KeyInstance) {
      started = true;
      current->setName(std::string(value));
    } else if (key == c_KeyVersion) {
      current->setVersion(svr4::ConvertVersion(value));
    } else if (key == c_KeyArch) {
      current->setArchitecture(std::string(value));
    } else if (key == c_KeyInstallDate) {
      int64_t seconds = 0;
      if (svr4::ParseInstallDate(value, &seconds)) current->setInstallDate(seconds);
    } else if ((flags() & LISTER_PROPERTIES) != 0) {
      if (key == c_KeyName || key == c_KeyDescription) current->setProperty(PackageInfoC::c_sSummary, std::string(value));
      if (key == c_KeyVendor) current->setProperty(PackageInfoC::c_sPublisher, std::string(value));
    }
  }
  if (!started) return RC_PACKAGES_END;
  // Output that ends inside a package: handed out as it is, without its files and its mark;
  // it is still the lister's, so nothing asks pkgchk for its files (the database build adds
  // no records for it).
  current->setListed(true);
  *package = std::move(current);
  return hx::RC_OK;
}
