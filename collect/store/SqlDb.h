#pragma once
// The collector's database seam. Everything above it speaks plain SQL that SQLite and
// PostgreSQL both accept, through these two small interfaces; an engine is one class that
// implements them (SqliteDb.h is the embedded default). Rules every caller keeps, so that an
// engine needs nothing but its own file:
//
// - placeholders are written "?" and numbered from 1 in the order they appear; an engine
//   whose own syntax differs ($1, $2, ...) rewrites them when it prepares the statement (no
//   statement of the collector holds a "?" inside a quoted literal);
// - new rows get their id from "INSERT ... RETURNING id", never from a last-insert call;
// - conflicts are "INSERT ... ON CONFLICT (...) DO NOTHING" / "DO UPDATE";
// - columns are INTEGER/BIGINT or TEXT; texts are UTF-8 without NUL (XML cannot hold one);
// - the one thing the engines spell differently in the schema, an id column made by the
//   database, is asked of the dialect (SqlDialectT::autoId) and put in where "{id}" stands;
// - a failure leaves the transaction to be rolled back by the caller; errorText() says why.
//
// A pass ingests its documents in transactions of one or more, as the engine's dialect
// allows. Several collectors may ingest into one
// database at once: LockChain serialises the documents of one chain between them, in the
// database (an advisory lock held until the transaction ends), so that no collector's memory
// or files take part in the ordering.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "foundation/core/Result.h"

namespace hxc {

enum class StepE { Row, Done, Error };

// One prepared statement. Bind, Step until Done, Reset to run it again with new bindings.
class SqlStmtI {
 public:
  virtual ~SqlStmtI() = default;
  // Parameters count from 1.
  virtual void BindInt(int index, int64_t value) = 0;
  virtual void BindText(int index, std::string_view value) = 0;
  virtual void BindNull(int index) = 0;
  virtual StepE Step() = 0;
  // Columns of the current row count from 0.
  virtual bool IsNull(int column) const = 0;
  virtual int64_t ColumnInt(int column) const = 0;
  virtual std::string ColumnText(int column) const = 0;
  // Ready to run again; the bindings are cleared.
  virtual void Reset() = 0;
};

// What the schema text must spell per engine.
struct SqlDialectT {
  const char* name;    // "sqlite", "postgresql"
  const char* autoId;  // an id column filled by the database, with PRIMARY KEY
  // How many documents one transaction of an ingest pass may hold.
  int documentsPerTransaction;
};

class SqlDbI {
 public:
  virtual ~SqlDbI() = default;
  virtual const SqlDialectT& Dialect() const = 0;
  // Runs statements that return no rows (several, separated by ";", are allowed).
  virtual hx::ResultT Exec(std::string_view sql) = 0;
  // Null on failure (errorText says why).
  virtual std::unique_ptr<SqlStmtI> Prepare(std::string_view sql) = 0;
  // A write transaction: once Begin returns, the transaction may write (SQLite takes its
  // write lock here, so two collectors never deadlock on an upgrade from reading).
  virtual hx::ResultT Begin() = 0;
  virtual hx::ResultT Commit() = 0;
  virtual hx::ResultT Rollback() = 0;
  // Waits until no other collector holds the chain, then holds it until the transaction ends.
  // Chain ids start at 1; 0 stands for the schema (EnsureSchema holds it while it looks).
  virtual hx::ResultT LockChain(int64_t chainId) = 0;
  // The last failure of this connection, for the log.
  virtual std::string errorText() const = 0;
};

// Opens the database a --db argument names: a "postgresql://" or "postgres://" URL (refused
// when it holds a password: the client library reads it from the user's password file), or
// the path of an SQLite file (created owner-only when missing; never through a link, never a
// file of another user). Null with *why set when it cannot be opened (a why never holds a
// password); the schema is not touched.
std::unique_ptr<SqlDbI> OpenDatabase(const std::string& target, std::string* why);

// The PostgreSQL engine, when the build has one (null with *why otherwise). Defined by the
// engine's own file; OpenDatabase hands it the URL as given.
std::unique_ptr<SqlDbI> OpenPostgres(const std::string& url, std::string* why);

}  // namespace hxc
