#include "packages/listers/deb/DEBPackageLister.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>
#include <system_error>
#include <memory>
#include <thread>

#include "foundation/core/Nodiscard.h"
#include "foundation/files/FileService.h"
#include "packages/listers/PackageSources.h"

namespace {

using namespace trk;

constexpr const char* c_DpkgQuery = "dpkg-query";
constexpr const char* c_ShowArgument = "-W";
constexpr const char* c_FormatOption = "-f=";
constexpr hx::ResultT c_ExitedNonZero = -1;

// Collects the installed packages from the tool's lines as they arrive.
class QueryStreamC : public LineOutputStreamC {
 public:
  explicit QueryStreamC(std::vector<deb::DebPackageT>* packages) : packages_(packages) {}
  size_t unreadable = 0;

 protected:
  HX_NODISCARD hx::ResultT WriteLine(std::string_view line) override {
    deb::DebPackageT package;
    if (!deb::ParseQueryLine(line, &package)) {
      unreadable += line.empty() ? 0 : 1;
    } else if (package.installed) {
      packages_->push_back(std::move(package));
    }
    return hx::RC_OK;
  }

 private:
  std::vector<deb::DebPackageT>* packages_;
};

// The top-level directories that are links (owned by root, as the system made them) into /usr.
// Only the link's own text is read; it is never followed.
std::vector<std::string> MergedDirectories() {
  std::vector<std::string> merged;
  for (const std::string& dir : deb::MergeableDirectories()) {
    const std::string path = FileService()->systemPath("/" + dir);
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode) || st.st_uid != 0) continue;
    char target[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), target, sizeof target);
    if (n > 0 && deb::IsUsrLinkTarget(dir, std::string_view(target, static_cast<size_t>(n)))) merged.push_back(dir);
  }
  return merged;
}

// What one run of the query gave.
struct QueryT {
  std::vector<deb::DebPackageT> packages;
  size_t unreadable = 0;
  hx::ToolEndC end;
  hx::ResultT rc = hx::RC_OK;
  uint32_t exitCode = 0;
};

// Runs the query without a log line (the lister reports it when it takes it).
QueryT RunQuery() {
  QueryT query;
  QueryStreamC stream(&query.packages);
  query.rc = RunSourceToolQuietly(DEBPackageListerC::Command(), &stream, &query.exitCode, &query.end);
  HX_IGNORE_RESULT(stream.Flush());  // a last line without its end is only collected: it cannot fail
  query.unreadable = stream.unreadable;
  return query;
}

// The query run ahead: started on the thread that asked for it, drained on a thread of its own.
struct AheadRunT {
  QueryT query;
  QueryStreamC stream{&query.packages};
  DiscardStreamC discarded;
  hx::PackageToolRunC tool;

  void Finish() {
    query.rc = tool.Finish(query.exitCode, &query.end);
    HX_IGNORE_RESULT(stream.Flush());  // a last line without its end is only collected: it cannot fail
    query.unreadable = stream.unreadable;
  }
};

// The query run ahead, until a lister takes it.
struct AheadT {
  std::mutex lock;
  std::thread thread;
  std::unique_ptr<AheadRunT> run;  // the thread's until it is joined
  bool waiting = false;
  ~AheadT() {
    if (thread.joinable()) thread.join();
  }
};

AheadT& Ahead() {
  static AheadT s_ahead;
  return s_ahead;
}

// The query run ahead, if there is one nobody took; waits for it.
HX_NODISCARD bool TakeAhead(QueryT* query) {
  AheadT& ahead = Ahead();
  std::lock_guard<std::mutex> hold(ahead.lock);
  if (!ahead.waiting) return false;
  if (ahead.thread.joinable()) ahead.thread.join();
  *query = std::move(ahead.run->query);
  ahead.run.reset();
  ahead.waiting = false;
  return true;
}

}  // namespace

void DEBPackageListerC::QueryAhead() {
  AheadT& ahead = Ahead();
  std::lock_guard<std::mutex> hold(ahead.lock);
  if (ahead.waiting) return;
  if (ahead.thread.joinable()) ahead.thread.join();
  // The tool is started here, by the caller, before the hardware step changes the process
  // environment; only its output is read on the other thread.
  ahead.run = std::make_unique<AheadRunT>();
  AheadRunT* run = ahead.run.get();
  HX_IGNORE_RESULT(run->tool.Start(Command(), &run->stream, &run->discarded));  // Finish answers a failed start
  ahead.waiting = true;
  try {
    ahead.thread = std::thread([run] { run->Finish(); });
  } catch (const std::system_error&) {
    run->Finish();  // no thread: the query is read now
  }
}

void DEBPackageListerC::DropQueryAhead() {
  QueryT dropped;
  HX_IGNORE_RESULT(TakeAhead(&dropped));  // none waiting is as good: there is nothing to drop
}

CommandLineC DEBPackageListerC::Command() {
  return CommandLineC{c_DpkgQuery, c_ShowArgument, std::string(c_FormatOption) + deb::c_QueryFormat};
}

void DEBPackageListerC::setPackages(std::vector<deb::DebPackageT> packages) {
  packages_ = std::move(packages);
  next_ = 0;
  failure_ = hx::RC_OK;
}

hx::ResultT DEBPackageListerC::startEnum() {
  QueryT query;
  if (!TakeAhead(&query)) query = RunQuery();
  const CommandLineC command = Command();
  hx::ResultT r = ReportSourceTool(command, query.end, query.rc, query.exitCode);
  LogUnreadableLines(command, query.unreadable);
  if (hx::Succeeded(r) && query.exitCode != 0) r = c_ExitedNonZero;
  setPackages(std::move(query.packages));
  failure_ = r;
  mergedDirs_.clear();
  if ((flags() & LISTER_FILE_LISTS) != 0) mergedDirs_ = MergedDirectories();
  infoDir_ = hx::UniqueFdC(::open(FileService()->systemPath(c_DpkgInfoDirectory).c_str(),
                                  O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return hx::RC_OK;
}

namespace {

// dpkg rewrites a package's list when it installs the package: the list's time is the install
// date. Taken only from a regular file that nobody but root (or we) could have touched.
int64_t InstallDateOf(const struct stat& st) {
  const bool trusted = S_ISREG(st.st_mode) && (st.st_uid == 0 || st.st_uid == ::geteuid()) &&
                       (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
  return trusted ? static_cast<int64_t>(st.st_mtime) : 0;
}

}  // namespace

void DEBPackageListerC::readFileList(const deb::DebPackageT& entry, PackageInfoC* package) const {
  if ((flags() & LISTER_FILE_LISTS) == 0) {
    // Only the date is wanted: one status call per package, the list itself is not read.
    struct stat st;
    if (infoDir_.valid() &&
        (::fstatat(infoDir_.get(), (entry.qualifiedName + c_DpkgListSuffix).c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 ||
         ::fstatat(infoDir_.get(), (entry.name + ":" + entry.architecture + c_DpkgListSuffix).c_str(), &st,
                   AT_SYMLINK_NOFOLLOW) == 0))
      package->setInstallDate(InstallDateOf(st));
    return;
  }
  const std::string dir = FileService()->systemPath(c_DpkgInfoDirectory);
  hx::UniqueFdC fd;
  if (hx::Failed(OpenSourceFile(dir + entry.qualifiedName + c_DpkgListSuffix, &fd)) &&
      (entry.qualifiedName != entry.name ||
       hx::Failed(OpenSourceFile(dir + entry.name + ":" + entry.architecture + c_DpkgListSuffix, &fd))))
    return;
  struct stat st;
  if (::fstat(fd.get(), &st) == 0) package->setInstallDate(InstallDateOf(st));
  StringArrayC& files = package->files();
  // A list that breaks off gives the paths read so far; the package is listed either way.
  HX_IGNORE_RESULT(ForEachLine(fd.get(), [&](std::string_view line) {
    std::string_view path;
    if (!deb::ListLinePath(line, &path)) return;
    files.emplace_back(path);
    if (mergedDirs_.empty()) return;
    std::string twin = deb::UsrTwin(path, mergedDirs_);
    if (!twin.empty()) files.push_back(std::move(twin));
  }));
}

hx::ResultT DEBPackageListerC::getNext(std::unique_ptr<PackageInfoC>* package) {
  if (package == nullptr) return hx::RC_INVALID_ARG;
  package->reset();
  if (next_ >= packages_.size()) return hx::Failed(failure_) ? failure_ : RC_PACKAGES_END;
  const deb::DebPackageT& entry = packages_[next_++];
  auto info = std::make_unique<DEBPackageInfoC>();
  info->setName(entry.name);
  info->setVersion(entry.version);
  info->setArchitecture(entry.architecture);
  if ((flags() & LISTER_PROPERTIES) != 0) {
    info->setProperty(PackageInfoC::c_sSummary, entry.summary);
    info->setProperty(PackageInfoC::c_sPublisher, entry.maintainer);
  }
  readFileList(entry, info.get());
  info->setStatus(info->status() | PackageInfoC::c_StatusListed);
  *package = std::move(info);
  return hx::RC_OK;
}
