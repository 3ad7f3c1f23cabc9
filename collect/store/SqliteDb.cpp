#include "collect/store/SqliteDb.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "foundation/core/SecureURL.h"
#include "foundation/files/SafeFile.h"

namespace hxc {

namespace {

// One writer at a time holds the whole file, so documents share a transaction: the commit's
// wait for the disk is paid once for many of them.
constexpr SqlDialectT c_Sqlite{"sqlite", "INTEGER PRIMARY KEY", 512};
// How long a collector waits for another one's write transaction.
constexpr int c_BusyTimeoutMs = 300 * 1000;

// Compiled statements kept for the connection's life, by their text: a document's
// transaction asks for the same dozen statements as the one before it, and compiling them
// again would cost a delta more than storing it. A statement goes back reset and unbound.
class StatementPoolC {
 public:
  ~StatementPoolC() { Close(); }
  sqlite3_stmt* Take(std::string_view sql) {
    const auto it = free_.find(std::string(sql));
    if (it == free_.end() || it->second.empty()) return nullptr;
    sqlite3_stmt* stmt = it->second.back();
    it->second.pop_back();
    --kept_;
    return stmt;
  }
  void Give(sqlite3_stmt* stmt) {
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    if (closed_ || kept_ >= c_MaxKept) {
      sqlite3_finalize(stmt);
      return;
    }
    free_[sqlite3_sql(stmt)].push_back(stmt);
    ++kept_;
  }
  // Before the connection closes: what is handed back afterwards is finalized at once.
  void Close() {
    for (auto& [sql, stmts] : free_) {
      for (sqlite3_stmt* stmt : stmts) sqlite3_finalize(stmt);
    }
    free_.clear();
    closed_ = true;
  }

 private:
  // The collector has a few dozen statements; a caller preparing texts of its own making
  // (none does today) must not grow the pool without end.
  static constexpr size_t c_MaxKept = 256;
  std::unordered_map<std::string, std::vector<sqlite3_stmt*>> free_;
  size_t kept_ = 0;
  bool closed_ = false;
};

class SqliteStmtC : public SqlStmtI {
 public:
  SqliteStmtC(sqlite3_stmt* stmt, std::shared_ptr<StatementPoolC> pool) : stmt_(stmt), pool_(std::move(pool)) {}
  ~SqliteStmtC() override { pool_->Give(stmt_); }
  SqliteStmtC(const SqliteStmtC&) = delete;
  SqliteStmtC& operator=(const SqliteStmtC&) = delete;

  void BindInt(int index, int64_t value) override { sqlite3_bind_int64(stmt_, index, value); }
  void BindText(int index, std::string_view value) override {
    sqlite3_bind_text64(stmt_, index, value.data(), value.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
  }
  void BindNull(int index) override { sqlite3_bind_null(stmt_, index); }
  StepE Step() override {
    const int rc = sqlite3_step(stmt_);
    return rc == SQLITE_ROW ? StepE::Row : rc == SQLITE_DONE ? StepE::Done : StepE::Error;
  }
  bool IsNull(int column) const override { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
  int64_t ColumnInt(int column) const override { return sqlite3_column_int64(stmt_, column); }
  std::string ColumnText(int column) const override {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return text != nullptr ? std::string(text, static_cast<size_t>(sqlite3_column_bytes(stmt_, column))) : std::string();
  }
  void Reset() override {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }

 private:
  sqlite3_stmt* stmt_;
  std::shared_ptr<StatementPoolC> pool_;
};

class SqliteDbC : public SqlDbI {
 public:
  explicit SqliteDbC(sqlite3* db) : db_(db) {}
  ~SqliteDbC() override {
    pool_->Close();
    sqlite3_close_v2(db_);
  }
  SqliteDbC(const SqliteDbC&) = delete;
  SqliteDbC& operator=(const SqliteDbC&) = delete;

  const SqlDialectT& Dialect() const override { return c_Sqlite; }
  hx::ResultT Exec(std::string_view sql) override {
    const std::string text(sql);
    return sqlite3_exec(db_, text.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK ? hx::RC_OK : hx::RC_FAIL;
  }
  std::unique_ptr<SqlStmtI> Prepare(std::string_view sql) override {
    sqlite3_stmt* stmt = pool_->Take(sql);
    if (stmt == nullptr &&
        sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &stmt, nullptr) != SQLITE_OK)
      return nullptr;
    return std::make_unique<SqliteStmtC>(stmt, pool_);
  }
  hx::ResultT Begin() override { return Exec("BEGIN IMMEDIATE"); }
  hx::ResultT Commit() override { return Exec("COMMIT"); }
  hx::ResultT Rollback() override {
    if (sqlite3_get_autocommit(db_)) return hx::RC_OK;
    return Exec("ROLLBACK");
  }
  hx::ResultT LockChain(int64_t) override { return hx::RC_OK; }
  std::string errorText() const override { return sqlite3_errmsg(db_); }

 private:
  sqlite3* db_;
  std::shared_ptr<StatementPoolC> pool_ = std::make_shared<StatementPoolC>();
};

// The file must be ours: a regular file of this user, not a link. A missing one is made here,
// owner-only, so that SQLite never creates it with the process's looser mode.
bool CheckOrCreate(const std::string& path, std::string* why) {
  hx::UniqueFdC fd(::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600));
  struct stat st {};
  if (!fd.valid() || ::fstat(fd.get(), &st) != 0) {
    *why = path + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || (st.st_mode & 022) != 0) {
    *why = path + ": not a regular file of this user that only it may write";
    return false;
  }
  return true;
}

}  // namespace

std::unique_ptr<SqlDbI> OpenSqlite(const std::string& path, std::string* why) {
  const bool memory = path == c_InMemory;
  if (!memory && !CheckOrCreate(path, why)) return nullptr;
  sqlite3* db = nullptr;
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_NOMUTEX | (memory ? SQLITE_OPEN_CREATE : 0);
  if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
    *why = path + ": " + (db != nullptr ? sqlite3_errmsg(db) : "cannot open");
    sqlite3_close_v2(db);
    return nullptr;
  }
  auto result = std::make_unique<SqliteDbC>(db);
  sqlite3_busy_timeout(db, c_BusyTimeoutMs);
  if (hx::Failed(result->Exec(c_SqliteSettings))) {
    *why = path + ": " + result->errorText();
    return nullptr;
  }
  return result;
}

std::unique_ptr<SqlDbI> OpenDatabase(const std::string& target, std::string* why) {
  if (target.rfind("postgresql://", 0) != 0 && target.rfind("postgres://", 0) != 0) return OpenSqlite(target, why);
  // A password on the command line is any user's to read (ps); the engine's client library
  // takes it from the user's own password file instead.
  const std::string_view rest = std::string_view(target).substr(target.find("://") + 3);
  const size_t at = log_UserInfoEnd(rest);
  if (at != std::string_view::npos && rest.substr(0, at).find(':') != std::string_view::npos) {
    *why = log_SecureURLString(target) + ": a password does not go in the URL (use the password file, ~/.pgpass)";
    return nullptr;
  }
  return OpenPostgres(target, why);
}

}  // namespace hxc
