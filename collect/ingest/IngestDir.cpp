#include "collect/ingest/IngestDir.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <tuple>

#include "foundation/core/Text.h"
#include "foundation/files/DirStream.h"
#include "foundation/files/SafeFile.h"

namespace hxc {

namespace {

constexpr const char* c_Ingested = "ingested";
constexpr const char* c_Rejected = "rejected";
constexpr const char* c_Pending = "pending";
constexpr int c_RetrySeconds = 60;
// How long one transaction of a pass goes on taking documents: another collector on the same
// database waits that long at most, and a collector stopped mid-way has that much to redo.
// Fewer, larger commits write the indexes' pages fewer times: each commit writes every page
// it touched, and a name or digest index is touched all over by every document.
constexpr int c_BatchSeconds = 5;
// Names tried after a taken one: NAME-2.hxi ... NAME-10000.hxi.
constexpr int c_MaxNumbered = 10000;

volatile sig_atomic_t s_stop = 0;
void OnStop(int) { s_stop = 1; }

bool IsCandidate(const std::string& name) {
  return !name.empty() && name[0] != '.' && (hx::EndsWith(name, ".hxi") || hx::EndsWith(name, ".hxi.gz"));
}

// A folder of DIR that the collector writes into: made owner-only, and only ever its own.
bool OpenFolder(int dirFd, const char* name, hx::UniqueFdC* fd, std::string* why) {
  if (::mkdirat(dirFd, name, 0700) != 0 && errno != EEXIST) {
    *why = std::string(name) + ": " + std::strerror(errno);
    return false;
  }
  fd->reset(::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  struct stat st {};
  if (!fd->valid() || ::fstat(fd->get(), &st) != 0) {
    *why = std::string(name) + ": " + std::strerror(errno) + " (a link is not taken)";
    return false;
  }
  if (st.st_uid != ::geteuid() || (st.st_mode & 022) != 0) {
    *why = std::string(name) + ": not this user's own folder";
    return false;
  }
  return true;
}

// Moves a file between folders under its name or the first free numbered one; the name used,
// empty when the file is gone: another collector on the same folder took it first (it moves a
// file only after its transaction committed). `before`, when given, is called with each free
// name before the file takes it.
bool Move(int fromFd, const std::string& name, int toFd, std::string* used, std::string* why,
          const std::function<void(const std::string&)>& before = nullptr) {
  const size_t ext = name.find(".hxi");
  const std::string stem = ext == std::string::npos ? name : name.substr(0, ext);
  const std::string tail = ext == std::string::npos ? std::string() : name.substr(ext);
  for (int n = 1; n <= c_MaxNumbered; ++n) {
    *used = n == 1 ? name : stem + "-" + std::to_string(n) + tail;
    if (before != nullptr) {
      if (::faccessat(toFd, used->c_str(), F_OK, AT_SYMLINK_NOFOLLOW) == 0) continue;
      before(*used);
    }
    if (::renameat2(fromFd, name.c_str(), toFd, used->c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno == ENOENT && ::faccessat(fromFd, name.c_str(), F_OK, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT) {
      used->clear();
      return true;
    }
    if (errno != EEXIST) break;
  }
  *why = "cannot move " + name + ": " + std::strerror(errno);
  return false;
}

struct CandidateT {
  int64_t docTime = 0, mtime = 0;
  std::string name;
  bool pending = false;
  ChainKeyT chain;
  bool operator<(const CandidateT& o) const {
    return std::tie(docTime, mtime, name, pending) < std::tie(o.docTime, o.mtime, o.name, o.pending);
  }
};

// Reads nothing but the root, to order the documents.
class RootSinkC : public DocumentSinkI {
 public:
  explicit RootSinkC(const std::string& format) : format_(format) {}
  hx::ResultT OnRoot(const RootT& root) override {
    judged = JudgeRoot(root, format_, &info, &why);
    return judged ? c_StopAfterRoot : hx::RC_FAIL;
  }
  hx::ResultT OnEntity(EntityT&&) override { return hx::RC_OK; }
  DocumentInfoT info;
  bool judged = false;
  std::string why;

 private:
  const std::string& format_;
};

class PassC {
 public:
  PassC(SqlDbI& db, const IngestDirOptionsT& options, const LogFnT& log, PassCountsT& counts, HeldDeltasT* held)
      : db_(db), options_(options), log_(log), counts_(counts), held_(held) {}

  bool Open(const std::string& dir, std::string* why) {
    dir_.reset(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir_.valid()) {
      *why = dir + ": " + std::strerror(errno);
      return false;
    }
    return OpenFolder(dir_.get(), c_Ingested, &ingested_, why) && OpenFolder(dir_.get(), c_Rejected, &rejected_, why) &&
           OpenFolder(dir_.get(), c_Pending, &pending_, why);
  }

  void Run() {
    std::vector<CandidateT> found;
    List(dir_.get(), false, &found);
    List(pending_.get(), true, &found);
    std::sort(found.begin(), found.end());
    ForgetGone(found);
    const size_t most = static_cast<size_t>(std::max(1, db_.Dialect().documentsPerTransaction));
    skip_.assign(found.size(), false);
    // After a failure, the documents stored before it in its batch go again, up to it and
    // without it. Each failure leaves one document out of the pass, so the pass ends however
    // the failures fall.
    size_t next = 0, end = found.size();
    while (next < found.size()) {
      const BatchEndT b = TakeBatch(found, next, end, most);
      if (b.failedAt != c_None) {
        end = b.failedAt;
        continue;
      }
      next = b.next;
      end = found.size();
    }
  }

 private:
  static constexpr size_t c_None = static_cast<size_t>(-1);
  int FolderOf(bool pending) const { return pending ? pending_.get() : dir_.get(); }

  void List(int fd, bool pending, std::vector<CandidateT>* found) {
    // A description of its own, read from the start: the folder's handle is kept from pass to
    // pass, and a stream on a duplicate would go on from where the last pass stopped.
    std::vector<std::string> names;
    if (!hx::ListDirectory(hx::UniqueFdC(::openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)), &names)) {
      log_(std::string(pending ? c_Pending : "the folder") + ": cannot list: " + std::strerror(errno));
      return;
    }
    for (const std::string& name : names) {
      if (!IsCandidate(name)) continue;
      CandidateT c;
      c.name = name;
      c.pending = pending;
      RootSinkC sink(options_.ingest.dateFormat);
      FileFactsT facts;
      std::string why;
      const hx::ResultT rc = ReadDocumentFile(fd, name, sink, &facts, &why);
      if (rc != c_StopAfterRoot) {
        Reject(c, !sink.why.empty() ? sink.why : why.empty() ? "no document root" : why);
        continue;
      }
      struct stat st {};
      c.docTime = sink.info.docTime;
      c.chain = sink.info.chain;
      c.mtime = ::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 ? MtimeNs(st) : 0;
      found->push_back(c);
    }
  }

  // What a document came to in its batch, for after the commit.
  struct StoredT {
    const CandidateT* candidate;
    OutcomeE outcome;
    std::string why;
    int64_t chainLastDoc = 0;  // when held
  };

  // Held deltas no longer in pending/ are forgotten.
  void ForgetGone(const std::vector<CandidateT>& found) {
    if (held_ == nullptr) return;
    std::map<std::string, HeldDeltasT::HeldT> kept;
    for (const CandidateT& c : found) {
      const auto it = held_->byName.find(c.name);
      if (c.pending && it != held_->byName.end() && it->second.mtime == c.mtime) kept.insert(*it);
    }
    held_->byName.swap(kept);
  }

  // Whether a delta in pending/ waits for its chain as it did when held: the chain's last
  // document is still the one it was.
  bool StillHeld(const CandidateT& c) {
    if (held_ == nullptr || !c.pending) return false;
    const auto it = held_->byName.find(c.name);
    int64_t last = 0;
    return it != held_->byName.end() && ChainLastDocument(db_, c.chain, &last) && last == it->second.chainLastDoc;
  }

  struct BatchEndT {
    size_t next;      // the first document not taken
    size_t failedAt;  // the document that spoiled the batch, c_None when it committed
  };

  // Stores documents from `first` on, short of `end`, in one transaction, until `most` are
  // stored or c_BatchSeconds have gone by, then moves their files. A document that fails is
  // left for the next pass and the batch rolled back: its files stay where they are.
  BatchEndT TakeBatch(const std::vector<CandidateT>& found, size_t first, size_t end, size_t most) {
    DocumentBatchC batch(db_);
    std::string why;
    if (!batch.Begin(&why)) {
      log_("cannot begin a transaction (" + why + "), the files are left for the next pass");
      counts_.failed += found.size() - first;
      return {found.size(), c_None};
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(c_BatchSeconds);
    std::vector<StoredT> stored;
    size_t next = first;
    for (; next < end && stored.size() < most && std::chrono::steady_clock::now() < until; ++next) {
      const CandidateT& c = found[next];
      if (skip_[next]) continue;
      if (StillHeld(c)) {
        skip_[next] = true;
        ++counts_.pending;
        log_(c.name + ": pending (its chain has not moved since it was held)");
        continue;
      }
      LoadedDocT doc;
      if (!LoadDocumentFile(FolderOf(c.pending), c.name, options_.ingest, &doc, &why)) {
        Reject(c, why);
        skip_[next] = true;  // gone to rejected/
        continue;
      }
      int64_t chainLastDoc = 0;
      const OutcomeE outcome = batch.Store(doc, options_.ingest, &why, &chainLastDoc);
      if (outcome == OutcomeE::Failed) {
        batch.Rollback();
        skip_[next] = true;
        Finish(c, outcome, why);
        return {next, next};
      }
      stored.push_back({&c, outcome, why, chainLastDoc});
    }
    if (!batch.Commit(&why)) {
      for (StoredT& s : stored) s = {s.candidate, OutcomeE::Failed, "the transaction failed: " + why};
    }
    for (const StoredT& s : stored) Finish(*s.candidate, s.outcome, s.why, s.chainLastDoc);
    return {next, c_None};
  }

  // After the commit: the file goes where its outcome says.
  void Finish(const CandidateT& c, OutcomeE outcome, const std::string& why, int64_t chainLastDoc = 0) {
    std::string line = c.name + ": " + OutcomeName(outcome) + (why.empty() ? "" : " (" + why + ")");
    std::string used, moveWhy;
    switch (outcome) {
      case OutcomeE::Failed:
        ++counts_.failed;
        return log_(line + ", left for the next pass");
      case OutcomeE::Pending:
        ++counts_.pending;
        if (c.pending) used = c.name;
        else if (!Move(dir_.get(), c.name, pending_.get(), &used, &moveWhy)) line += "; " + moveWhy;
        if (held_ != nullptr && !used.empty()) held_->byName[used] = {c.mtime, chainLastDoc};
        return log_(line);
      case OutcomeE::Applied: ++counts_.applied; break;
      case OutcomeE::Duplicate: ++counts_.duplicate; break;
      case OutcomeE::Late: ++counts_.late; break;
    }
    if (options_.remove) {
      if (::unlinkat(FolderOf(c.pending), c.name.c_str(), 0) != 0) line += std::string("; cannot remove: ") + std::strerror(errno);
    } else if (!Move(FolderOf(c.pending), c.name, ingested_.get(), &used, &moveWhy)) {
      line += "; " + moveWhy;
    }
    log_(line);
  }

  // The note NAME.why goes in before the file: a collector killed between the two leaves a
  // note whose file still waits to be judged again, never a rejected file without its note. A
  // file that is gone was taken by another collector: no note for it.
  void Reject(const CandidateT& c, const std::string& why) {
    if (::faccessat(FolderOf(c.pending), c.name.c_str(), F_OK, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT)
      return log_(c.name + ": taken by another collector");
    std::string line = why;  // one line, whatever the document made of it
    for (char& ch : line) ch = static_cast<unsigned char>(ch) < 0x20 ? ' ' : ch;
    const auto note = [&](const std::string& used) {
      const std::string name = used + ".why";
      hx::UniqueFdC out(::openat(rejected_.get(), name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600));
      if (!out.valid() || hx::Failed(hx::WriteAll(out.get(), line + "\n")) || hx::Failed(out.close()))
        log_(name + ": cannot write");
    };
    std::string used, moveWhy;
    const bool moved = Move(FolderOf(c.pending), c.name, rejected_.get(), &used, &moveWhy, note);
    if (moved && used.empty()) return log_(c.name + ": taken by another collector");
    ++counts_.rejected;
    log_(c.name + ": rejected (" + why + ")" + (moved ? "" : "; " + moveWhy));
  }

  SqlDbI& db_;
  const IngestDirOptionsT& options_;
  const LogFnT& log_;
  PassCountsT& counts_;
  hx::UniqueFdC dir_, ingested_, rejected_, pending_;
  std::vector<bool> skip_;  // left for the next pass, or rejected: not taken again in this one
  HeldDeltasT* held_;
};

}  // namespace

bool IngestPass(SqlDbI& db, const std::string& dir, const IngestDirOptionsT& options, const LogFnT& log,
                PassCountsT* counts, std::string* why, HeldDeltasT* held) {
  PassC pass(db, options, log, *counts, held);
  if (!pass.Open(dir, why)) return false;
  pass.Run();
  return true;
}

bool WatchDir(SqlDbI& db, const std::string& dir, const IngestDirOptionsT& options, const LogFnT& log,
              std::string* why) {
  struct sigaction sa {};
  sa.sa_handler = &OnStop;  // no SA_RESTART: the wait below ends at once
  ::sigaction(SIGINT, &sa, nullptr);
  ::sigaction(SIGTERM, &sa, nullptr);
  hx::UniqueFdC watch(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
  if (!watch.valid() || ::inotify_add_watch(watch.get(), dir.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO | IN_ONLYDIR) < 0) {
    *why = dir + ": cannot watch: " + std::strerror(errno);
    return false;
  }
  HeldDeltasT held;
  while (s_stop == 0) {
    PassCountsT counts;
    if (!IngestPass(db, dir, options, log, &counts, why, &held)) return false;
    pollfd p{watch.get(), POLLIN, 0};
    if (::poll(&p, 1, c_RetrySeconds * 1000) > 0) {
      char events[16 * 1024];
      while (::read(watch.get(), events, sizeof events) > 0) {
      }
    }
  }
  return true;
}

}  // namespace hxc
