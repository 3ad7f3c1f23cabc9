#pragma once
// The embedded engine: one SQLite file, nothing to start.
//
// The file is the collector's own: created owner-only when missing, refused when it is a link,
// not a regular file, or another user's. Write-ahead logging with full synchronisation: a
// document's transaction is on the disk when Commit returns, before the file it came from is
// moved away. A second collector on the same file waits for the write lock (up to a few
// minutes) instead of failing; the lock is the whole file's, so LockChain has nothing to add.
// A connection serves one thread at a time and takes no lock of its own for it.

#include <memory>
#include <string>

#include "collect/store/SqlDb.h"

namespace hxc {

// A database in memory, gone with the connection (for the fuzz target).
constexpr const char* c_InMemory = ":memory:";

// What every connection sets (one statement each): write-ahead logging, full synchronisation,
// foreign keys, a 64 MiB page cache (a fleet's name and digest indexes are touched all over by
// every document), and temporary storage in memory (a file of the engine's own in a shared
// temporary folder would be a write outside the folder and the database).
constexpr const char* c_SqliteSettings =
    "PRAGMA journal_mode=WAL;\nPRAGMA synchronous=FULL;\nPRAGMA foreign_keys=ON;\nPRAGMA cache_size=-65536;\n"
    "PRAGMA temp_store=MEMORY;\n";

std::unique_ptr<SqlDbI> OpenSqlite(const std::string& path, std::string* why);

}  // namespace hxc
