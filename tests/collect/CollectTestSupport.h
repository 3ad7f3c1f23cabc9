#pragma once
// Shared by the collector's tests: a database of the collector on either engine, one ingest
// pass over a directory, and the current items of a database as comparable lines.

#include <algorithm>

#include "collect/ingest/IngestDir.h"
#include "collect/store/Schema.h"
#include "collect/PostgresTestServer.h"
#include "collect/store/SqliteDb.h"
#include "support/TestSupport.h"

namespace collecttest {

enum class EngineE { Sqlite, Postgres };
inline void PrintTo(EngineE engine, std::ostream* out) { *out << (engine == EngineE::Sqlite ? "sqlite" : "postgresql"); }

// What --db names for a new database: the SQLite file `path`, or a new database of the test
// program's PostgreSQL server.
inline std::string NewDatabaseArg(EngineE engine, const std::string& path) {
  return engine == EngineE::Sqlite ? path : PostgresServer().NewDatabase();
}

inline std::unique_ptr<hxc::SqlDbI> NewDatabase(EngineE engine, const std::string& path) {
  std::string why;
  std::unique_ptr<hxc::SqlDbI> db = hxc::OpenDatabase(NewDatabaseArg(engine, path), &why);
  EXPECT_TRUE(db != nullptr) << why;
  if (db != nullptr) {
    EXPECT_EQ(hxc::EnsureSchema(*db, &why), hx::RC_OK) << why;
  }
  return db;
}

// The tests that hold for every engine run once for each (INSTANTIATE_ENGINES); those on
// PostgreSQL are skipped, saying why, where the test's server cannot run.
class EngineTest : public ::testing::TestWithParam<EngineE> {
 protected:
  void SetUp() override {
    if (GetParam() == EngineE::Postgres && !PostgresServer().Why().empty()) GTEST_SKIP() << PostgresServer().Why();
  }
  std::unique_ptr<hxc::SqlDbI> NewDatabase(const std::string& path) { return collecttest::NewDatabase(GetParam(), path); }
};

#define INSTANTIATE_ENGINES(suite)                                                                                   \
  INSTANTIATE_TEST_SUITE_P(Engines, suite, ::testing::Values(collecttest::EngineE::Sqlite, collecttest::EngineE::Postgres), \
                           [](const auto& info) { return info.param == collecttest::EngineE::Sqlite ? "sqlite" : "postgresql"; })

// One pass (remembering held deltas in `held` when given, as --watch does); the log lines come
// back joined.
inline std::string Ingest(hxc::SqlDbI& db, const std::string& dir, bool incremental = false, bool remove = false,
                          hxc::HeldDeltasT* held = nullptr) {
  hxc::IngestDirOptionsT options;
  options.ingest.incremental = incremental;
  options.remove = remove;
  std::string log, why;
  hxc::PassCountsT counts;
  EXPECT_TRUE(hxc::IngestPass(db, dir, options, [&](const std::string& l) { log += l + "\n"; }, &counts, &why, held))
      << why;
  EXPECT_EQ(counts.failed, 0u) << log;
  return log;
}

// Rows of a query (of that many columns), each row's columns joined by tabs, sorted.
inline std::vector<std::string> Rows(hxc::SqlDbI& db, const char* sql, int columns) {
  std::vector<std::string> rows;
  std::unique_ptr<hxc::SqlStmtI> s = db.Prepare(sql);
  EXPECT_TRUE(s != nullptr) << db.errorText();
  for (hxc::StepE r; s != nullptr && (r = s->Step()) != hxc::StepE::Done;) {
    if (r == hxc::StepE::Error) {
      ADD_FAILURE() << db.errorText();
      break;
    }
    std::string row;
    for (int i = 0; i < columns; ++i) row += (i ? "\t" : "") + s->ColumnText(i);
    rows.push_back(row);
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

// Every current item of every chain, with what the questions look up of it.
inline std::vector<std::string> CurrentItems(hxc::SqlDbI& db) {
  std::vector<std::string> items = Rows(db, "SELECT flat, deep, tag, xml FROM item_versions WHERE last_doc IS NULL", 4);
  for (const std::string& r : Rows(db, "SELECT 'package', name, version, type FROM packages", 4)) items.push_back(r);
  for (const std::string& r : Rows(db, "SELECT 'file', md5, size, path FROM files", 4)) items.push_back(r);
  for (const std::string& r : Rows(db, "SELECT 'hardware', class, name FROM hardware", 3)) items.push_back(r);
  return items;
}

// What a database holds, ids aside (an engine may skip ids): the current items, their history
// (which documents made and retired each version), the documents and the chains.
inline std::vector<std::string> Contents(hxc::SqlDbI& db) {
  std::vector<std::string> all = CurrentItems(db);
  const std::vector<std::string> more[] = {
      Rows(db,
           "SELECT c.machine_name, v.flat, v.deep, v.ordinal, f.sha256, COALESCE(l.sha256, '') "
           "FROM item_versions v JOIN chains c ON c.id = v.chain JOIN documents f ON f.id = v.first_doc "
           "LEFT JOIN documents l ON l.id = v.last_doc", 6),
      Rows(db, "SELECT c.machine_name, d.sha256, d.file_name, d.doc_time, d.outcome FROM documents d "
               "JOIN chains c ON c.id = d.chain", 5),
      Rows(db, "SELECT c.machine_name, c.stale, COALESCE(f.sha256, ''), COALESCE(l.sha256, '') FROM chains c "
               "LEFT JOIN documents f ON f.id = c.last_full LEFT JOIN documents l ON l.id = c.last_doc", 4),
  };
  for (const auto& rows : more) all.insert(all.end(), rows.begin(), rows.end());
  std::sort(all.begin(), all.end());
  return all;
}

// The lines only one of two sorted lists holds, marked "-" (only in the first) or "+".
inline std::string Differences(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  std::vector<std::string> only;
  std::set_symmetric_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(only));
  std::string out;
  for (const std::string& line : only) out += (std::binary_search(a.begin(), a.end(), line) ? "-" : "+") + line + "\n";
  return out;
}

}  // namespace collecttest
