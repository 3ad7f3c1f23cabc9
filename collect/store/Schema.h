#pragma once
// The collector's tables, the same for every engine, and the one step that makes or upgrades
// them. The database says which version of them it holds (schema_version, one row); the
// program brings an older one up to its own version step by step, each step in the
// transaction that records it, and refuses a database newer than itself.
//
// chains         one row per document chain: a machine's (or a user's) inventories of one
//                configuration; stale while a delta that did not fit waits; last_full and
//                last_doc are the documents the state stands on.
// documents      every file taken, keyed by the SHA-256 of its bytes (UNIQUE: a file delivered
//                or ingested twice is recognised); its DateTime as written and as seconds,
//                its file time (nanoseconds), type, generation and what became of it (applied, pending,
//                late).
// item_versions  the history of the chains' top-level entities: one row per entity, with its
//                item (flat digest), its own deep digest, its place among the item's entities,
//                its tag and its subtree as XML; first_doc made it, last_doc (NULL while
//                current) retired it. The state after document D is the rows with
//                first_doc <= D and (last_doc IS NULL or last_doc > D).
// packages, files, hardware
//                what the questions look up, one row per current entity version (deleted with
//                the version's retirement), indexed by package name, file MD5 and class.

#include <cstdint>

#include "collect/store/SqlDb.h"

namespace hxc {

// The version this program writes.
constexpr int64_t c_SchemaVersion = 1;

// Makes the tables in an empty database, upgrades an older one, refuses a newer one. Runs its
// own transactions.
hx::ResultT EnsureSchema(SqlDbI& db, std::string* why);

}  // namespace hxc
