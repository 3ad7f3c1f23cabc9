#pragma once
// Takes the files an uploader delivered into a directory: names ending in ".hxi" or ".hxi.gz"
// that do not begin with a dot (the uploader's and the web server's files in the making do),
// together with the deltas waiting in DIR/pending/, in the order of their DateTime (then file
// time, then name). Documents are stored in transactions of as many as the engine takes at
// once (SQLite: up to 512, or what five seconds hold; PostgreSQL: one); only after the commit
// are their files moved to DIR/ingested/ (or removed), a delta that does not fit moved to
// DIR/pending/. A document whose store fails rolls its transaction back: it stays where it is
// for the next pass, and those stored before it are stored again without it. A file that
// cannot be taken moves to DIR/rejected/ with NAME.why beside it saying why, and the others go
// on.
//
// The collector writes nowhere but in DIR's three folders (made owner-only when missing,
// refused when they are links or not its own) and the database; it never follows a link in
// DIR and never overwrites a file there (a taken name gets -2, -3, ... before its extension).

#include <functional>
#include <map>
#include <string>

#include "collect/ingest/Ingest.h"

namespace hxc {

struct IngestDirOptionsT {
  IngestOptionsT ingest;
  bool remove = false;  // remove taken files instead of keeping them in ingested/
};

struct PassCountsT {
  size_t applied = 0, duplicate = 0, late = 0, pending = 0, rejected = 0, failed = 0;
};

using LogFnT = std::function<void(const std::string&)>;

// What the passes of one collector remember between them: each delta held in DIR/pending/ (by
// its name there and its file time) with its chain's last document when it was held. Until
// the chain moves on (a document applied to it, by this collector or another), the delta
// cannot fit either, so a pass does not read it again; --watch passes at every arrival.
struct HeldDeltasT {
  struct HeldT {
    int64_t mtime = 0, chainLastDoc = 0;
  };
  std::map<std::string, HeldT> byName;
};

// One pass over the directory. False (with *why) when the directory or its folders cannot be
// used; a file's trouble is logged and counted, never a failure of the pass. `held`, when
// given, is read and kept up to date for the next pass.
bool IngestPass(SqlDbI& db, const std::string& dir, const IngestDirOptionsT& options, const LogFnT& log,
                PassCountsT* counts, std::string* why, HeldDeltasT* held = nullptr);

// Passes whenever a file arrives (inotify), and once a minute for what waits, until SIGINT or
// SIGTERM. False (with *why) when the directory cannot be watched or a pass fails.
bool WatchDir(SqlDbI& db, const std::string& dir, const IngestDirOptionsT& options, const LogFnT& log,
              std::string* why);

}  // namespace hxc
