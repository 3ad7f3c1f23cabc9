#include "collect/store/Schema.h"

#include <string>

namespace hxc {

namespace {

// Version 1: the tables of Schema.h. "{id}" is the dialect's id column.
constexpr const char* c_Version1 = R"SQL(
CREATE TABLE chains (
  id {id},
  machine_name TEXT NOT NULL,
  audience TEXT NOT NULL,
  configuration TEXT NOT NULL,
  user_name TEXT NOT NULL,
  user_domain TEXT NOT NULL,
  stale INTEGER NOT NULL DEFAULT 0,
  last_full BIGINT,
  last_doc BIGINT,
  UNIQUE (machine_name, audience, configuration, user_name, user_domain));
CREATE TABLE documents (
  id {id},
  chain BIGINT NOT NULL REFERENCES chains (id),
  sha256 TEXT NOT NULL UNIQUE,
  file_name TEXT NOT NULL,
  date_time TEXT NOT NULL,
  doc_time BIGINT NOT NULL,
  file_time BIGINT NOT NULL,
  type TEXT NOT NULL,
  generation TEXT NOT NULL,
  outcome TEXT NOT NULL,
  root_xml TEXT NOT NULL,
  ingested BIGINT NOT NULL);
CREATE INDEX documents_chain ON documents (chain, doc_time);
CREATE TABLE item_versions (
  id {id},
  chain BIGINT NOT NULL REFERENCES chains (id),
  flat TEXT NOT NULL,
  deep TEXT NOT NULL,
  ordinal INTEGER NOT NULL,
  tag TEXT NOT NULL,
  xml TEXT NOT NULL,
  first_doc BIGINT NOT NULL,
  last_doc BIGINT);
CREATE INDEX item_versions_item ON item_versions (chain, flat, first_doc);
CREATE INDEX item_versions_made ON item_versions (chain, first_doc);
CREATE INDEX item_versions_retired ON item_versions (chain, last_doc) WHERE last_doc IS NOT NULL;
CREATE TABLE packages (
  item_version BIGINT NOT NULL,
  chain BIGINT NOT NULL,
  name TEXT NOT NULL,
  version TEXT NOT NULL,
  type TEXT NOT NULL);
CREATE INDEX packages_name ON packages (name);
CREATE INDEX packages_item_version ON packages (item_version);
CREATE TABLE files (
  item_version BIGINT NOT NULL,
  chain BIGINT NOT NULL,
  md5 TEXT NOT NULL,
  size TEXT NOT NULL,
  path TEXT NOT NULL);
CREATE INDEX files_md5 ON files (md5);
CREATE INDEX files_item_version ON files (item_version);
CREATE TABLE hardware (
  item_version BIGINT NOT NULL,
  chain BIGINT NOT NULL,
  class TEXT NOT NULL,
  name TEXT NOT NULL);
CREATE INDEX hardware_class ON hardware (class, name);
CREATE INDEX hardware_item_version ON hardware (item_version);
)SQL";

// Step n brings version n-1 to n.
constexpr const char* c_Steps[] = {c_Version1};
static_assert(sizeof c_Steps / sizeof c_Steps[0] == c_SchemaVersion, "one step per version");

std::string WithDialect(std::string sql, const SqlDialectT& dialect) {
  const std::string id = dialect.autoId;
  for (size_t at = sql.find("{id}"); at != std::string::npos; at = sql.find("{id}", at + id.size()))
    sql.replace(at, 4, id);
  return sql;
}

// The version the database holds: 0 for one without the table.
hx::ResultT ReadVersion(SqlDbI& db, int64_t* version, std::string* why) {
  if (hx::Failed(db.Exec("CREATE TABLE IF NOT EXISTS schema_version (version BIGINT NOT NULL)"))) {
    *why = db.errorText();
    return hx::RC_FAIL;
  }
  std::unique_ptr<SqlStmtI> q = db.Prepare("SELECT version FROM schema_version");
  if (q == nullptr) {
    *why = db.errorText();
    return hx::RC_FAIL;
  }
  *version = 0;
  StepE s;
  while ((s = q->Step()) == StepE::Row) *version = q->ColumnInt(0);
  if (s == StepE::Error) *why = db.errorText();
  return s == StepE::Error ? hx::RC_FAIL : hx::RC_OK;
}

hx::ResultT Fail(SqlDbI& db, std::string* why, const std::string& what) {
  *why = what + ": " + db.errorText();
  db.Rollback();
  return hx::RC_FAIL;
}

}  // namespace

hx::ResultT EnsureSchema(SqlDbI& db, std::string* why) {
  for (;;) {
    // Each step reads the version again inside its transaction: another collector may have
    // made the tables meanwhile.
    // Chain ids start at 1: the lock of 0 keeps two collectors from making the tables at once.
    if (hx::Failed(db.Begin()) || hx::Failed(db.LockChain(0))) return Fail(db, why, "cannot begin");
    int64_t version = 0;
    if (hx::Failed(ReadVersion(db, &version, why))) return Fail(db, why, "cannot read the schema version");
    if (version == c_SchemaVersion) return db.Commit();
    if (version > c_SchemaVersion) {
      db.Rollback();
      *why = "the database holds schema version " + std::to_string(version) + ", newer than this program's " +
             std::to_string(c_SchemaVersion);
      return hx::RC_FAIL;
    }
    if (hx::Failed(db.Exec(WithDialect(c_Steps[version], db.Dialect()))))
      return Fail(db, why, "cannot make schema version " + std::to_string(version + 1));
    const std::string record = version == 0 ? "INSERT INTO schema_version (version) VALUES (1)"
                                            : "UPDATE schema_version SET version = " + std::to_string(version + 1);
    if (hx::Failed(db.Exec(record)) || hx::Failed(db.Commit())) return Fail(db, why, "cannot record the schema version");
  }
}

}  // namespace hxc
