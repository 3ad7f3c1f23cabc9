// The collector's pieces on documents made here: the Debian version order against dpkg, the
// reader's digests against the agent's own, hostile documents, and what an ingest does with
// deltas that do not fit, files taken twice, rejected files and the questions.

#include <signal.h>
#include <unistd.h>
#include <zlib.h>

#include <filesystem>

#include "collect/CollectTestSupport.h"
#include "collect/query/Questions.h"
#include "foundation/process/CommandLine.h"
#include "inventory/TrkInventoryDocTypeHandler.h"
#include "packages/model/DebianVersion.h"

namespace {

using hxtest::TempDirC;

TEST(CollectDebianVersions, OrderAsDpkg) {
  if (::access("/usr/bin/dpkg", X_OK) != 0) GTEST_SKIP() << "no dpkg";
  const char* const pairs[][2] = {
      {"1.0", "1.0"},         {"1.0", "1.0-0"},        {"1.0~rc1", "1.0"},        {"1.0~~", "1.0~"},
      {"1.0", "1.0a"},        {"1.0a", "1.0+b1"},      {"1.9", "1.10"},           {"1:0.1", "2.0"},
      {"0:1.0", "1.0"},       {"2.36-9+deb12u4", "2.36-9+deb12u10"},               {"1.0-1", "1.0-1.1"},
      {"1.0.0", "1.0"},       {"1a", "1b"},              {"1.2.3-1~bpo12+1", "1.2.3-1"}, {"007", "7"},
      {"1.0-a", "1.0-A"},     {"1.0+", "1.0."},        {"3.0.11-1~deb12u2", "3.0.15-1~deb12u1"},
  };
  for (const auto& p : pairs) {
    const int mine = pkg::CompareDebianVersions(p[0], p[1]);
    for (const char* op : {"lt", "eq", "gt"}) {
      const std::string command = std::string("dpkg --compare-versions '") + p[0] + "' " + op + " '" + p[1] + "'";
      const bool dpkgSays = std::system(command.c_str()) == 0;
      const bool iSay = op[0] == 'l' ? mine < 0 : op[0] == 'e' ? mine == 0 : mine > 0;
      EXPECT_EQ(iSay, dpkgSays) << command;
    }
  }
}

const std::string c_Head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

std::string Full(const std::string& machine, const std::string& time, const std::string& body,
                 const std::string& more = "") {
  return c_Head + "<Inventory Audience=\"Machine\" MachineName=\"" + machine + "\" DateTime=\"" + time +
         "\" Type=\"Full\"" + more + ">\n" + body + "</Inventory>\n";
}

std::string Delta(const std::string& machine, const std::string& time, const std::string& remove,
                  const std::string& update, const std::string& add) {
  return c_Head + "<Inventory Audience=\"Machine\" MachineName=\"" + machine + "\" DateTime=\"" + time +
         "\" Type=\"Difference\" Generation=\"1\">\n<Remove>" + remove + "</Remove>\n<Update>" + update +
         "</Update>\n<Add>" + add + "</Add>\n</Inventory>\n";
}

// Texts the digest has always seen in its own way: non-ASCII, tabs from character references,
// several entities of one item, children, text.
const std::string c_Body =
    "<Package Name=\"caf\xC3\xA9\" Evidence=\"DEB\" Version=\"1&#9;2\"><Property Name=\"A\" Value=\"&lt;x&gt;\"/></Package>\n"
    "<Content MD5=\"00112233445566778899aabbccddeeff\" Size=\"3\"><Instance Path=\"/a\"/></Content>\n"
    "<Content MD5=\"00112233445566778899aabbccddeeff\" Size=\"3\"><Instance Path=\"/b\"/><Value> YWJj </Value></Content>\n"
    "<Hardware Class=\"TVK_DiskDrive\" Name=\"sda\" Evidence=\"OS API\"><Property Name=\"Size\" Value=\"1\"/></Hardware>\n";

TEST(CollectReader, DigestsAreTheAgents) {
  const std::string doc = Full("m", "20261201T000000", c_Body);
  RefM<TrkInventoryC> agent;
  ASSERT_EQ(TrkInventoryDocTypeHandlerC::ReadBuffer(doc.data(), doc.size(), &agent), hx::RC_OK);
  std::vector<std::string> agentKeys, mine, again;
  agent->GetFlatIndex().ForEachKey([&](const StringC& k, const TrkInventoryIndexC::ElemsT& e) {
    agentKeys.insert(agentKeys.end(), e.size(), "flat " + k);
  });
  agent->GetDeepIndex().ForEachKey([&](const StringC& k, const TrkInventoryIndexC::ElemsT& e) {
    agentKeys.insert(agentKeys.end(), e.size(), "deep " + k);
  });
  hxc::LoadedDocT loaded;
  std::string why, rebuilt;
  ASSERT_TRUE(hxc::LoadDocumentBytes(doc, hxc::IngestOptionsT(), &loaded, &why)) << why;
  for (const hxc::EntityT& e : loaded.entities) {
    mine.push_back("flat " + e.flat.Hex());
    mine.push_back("deep " + e.deep.Hex());
    rebuilt += e.xml;
  }
  std::sort(agentKeys.begin(), agentKeys.end());
  std::sort(mine.begin(), mine.end());
  EXPECT_EQ(mine, agentKeys);
  EXPECT_EQ(loaded.entities.size(), 4u);
  // The stored subtrees, put back under a root, read as the same entities.
  hxc::LoadedDocT second;
  ASSERT_TRUE(hxc::LoadDocumentBytes(Full("m", "20261201T000000", rebuilt), hxc::IngestOptionsT(), &second, &why)) << why;
  for (const hxc::EntityT& e : second.entities) again.push_back(e.xml);
  std::vector<std::string> first;
  for (const hxc::EntityT& e : loaded.entities) first.push_back(e.xml);
  EXPECT_EQ(again, first);
  EXPECT_TRUE(hxtest::Contains(rebuilt, "Version=\"1 2\"")) << rebuilt;
}

std::string Gzipped(const std::string& text, size_t keep) {
  std::vector<unsigned char> out(compressBound(text.size()) + 64);
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  z.avail_in = static_cast<uInt>(text.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  const size_t n = out.size() - z.avail_out;
  deflateEnd(&z);
  return std::string(reinterpret_cast<char*>(out.data()), std::min(n, keep));
}

TEST(CollectReader, RefusesWhatItDoesNotTake) {
  const std::string deep = std::string(100000 * 3, ' ');
  std::string nested;
  for (int i = 0; i < 100000; ++i) nested += "<a>";
  const struct {
    const char* what;
    std::string doc;
    const char* why;
  } cases[] = {
      {"entity expansion", c_Head + "<!DOCTYPE Inventory [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;\">]>" +
                               Full("m", "20261201T000000", "<P N=\"&b;\"/>").substr(c_Head.size()), "entity declaration"},
      {"nesting", Full("m", "20261201T000000", nested), "nested deeper"},
      {"long text", Full("m", "20261201T000000", "<P>" + std::string(9u << 20, 'x') + "</P>"), "text of an element"},
      {"long tag", Full("m", "20261201T000000", "<P N=\"" + std::string(3u << 20, 'x') + "\"/>"), "longer than"},
      {"another root", c_Head + "<Other/>", "refused"},
      {"a job's inventory", Full("m", "20261201T000000", "", " JobTag=\"j\""), "job"},
      {"no machine", Full("", "20261201T000000", ""), "MachineName"},
      {"a time that does not read", Full("m", "yesterday", ""), "does not read"},
      {"a stray child of a delta", Delta("m", "20261201T000000", "", "", "").replace(c_Head.size() + 107, 0, "<X/>"), "refused"},
      {"cut gzip", Gzipped(Full("m", "20261201T000000", c_Body), 60), "gzip"},
  };
  for (const auto& c : cases) {
    hxc::LoadedDocT loaded;
    std::string why;
    EXPECT_FALSE(hxc::LoadDocumentBytes(c.doc, hxc::IngestOptionsT(), &loaded, &why)) << c.what;
    EXPECT_TRUE(hxtest::Contains(why, c.why)) << c.what << ": " << why;
  }
  hxc::LoadedDocT loaded;
  std::string why;
  EXPECT_TRUE(hxc::LoadDocumentBytes(Gzipped(Full("m", "20261201T000000", c_Body), SIZE_MAX) +
                                         Gzipped("", SIZE_MAX), hxc::IngestOptionsT(), &loaded, &why)) << why;
}

const std::string c_Disk = "<Hardware Class=\"Disk\" Name=\"sda\"><Property Name=\"Size\" Value=\"1\"/></Hardware>";
const std::string c_Disk2 = "<Hardware Class=\"Disk\" Name=\"sda\"><Property Name=\"Size\" Value=\"2\"/></Hardware>";
const std::string c_Old = "<Package Name=\"openssl\" Evidence=\"DEB\" Version=\"3.0.11-1~deb12u2\"/>";
const std::string c_New = "<Package Name=\"openssl\" Evidence=\"DEB\" Version=\"3.0.15-1~deb12u1\"/>";

struct StepT {
  const char* name;
  std::string doc;
  const char* outcome;  // in the log line of the file
  const char* held = "";  // a log line of the same pass about a delta held before
};

// What an ingest makes of documents, on each engine.
class CollectIngestOn : public collecttest::EngineTest {};
INSTANTIATE_ENGINES(CollectIngestOn);

TEST_P(CollectIngestOn, DeltasThatDoNotFitWaitUntilTheNextFullInventory) {
  TempDirC dir("hxcollect-ingest");
  const std::string inbox = dir.Mkdir("in");
  auto db = NewDatabase(dir.File("c.db"));
  ASSERT_TRUE(db != nullptr);
  const StepT steps[] = {
      {"1.hxi", Full("m", "20261201T000000", c_Disk + c_Old), "applied"},
      // Removes what is not there: held, the chain stale.
      {"2.hxi", Delta("m", "20261202T000000", c_New, "", ""), "pending"},
      // Fits, but the chain waits for a full inventory.
      // Held deltas are not read again until their chain moves on (the passes remember them,
      // as --watch does).
      {"3.hxi", Delta("m", "20261203T000000", "", c_Disk2, ""), "pending",
       "2.hxi: pending (its chain has not moved since it was held)"},
      {"4.hxi", Full("m", "20261204T000000", c_Disk + c_New), "applied",
       "3.hxi: pending (its chain has not moved since it was held)"},
      {"5.hxi", Delta("m", "20261205T000000", "", c_Disk2, ""), "applied", "2.hxi: late"},
      {"copy.hxi", Delta("m", "20261205T000000", "", c_Disk2, ""), "duplicate"},
      {"6.hxi", Full("m", "20261103T000000", c_Disk), "late"},
      {"7.hxi", "not XML", "rejected"},
  };
  hxc::HeldDeltasT held;
  for (const StepT& s : steps) {
    SCOPED_TRACE(s.name);
    hxtest::WriteFile(inbox + "/" + s.name, s.doc);
    const std::string log = collecttest::Ingest(*db, inbox, false, false, &held);
    EXPECT_TRUE(hxtest::Contains(log, std::string(s.name) + ": " + s.outcome)) << log;
    EXPECT_TRUE(hxtest::Contains(log, s.held)) << log;
    hxc::TableT machines;
    std::string why;
    ASSERT_TRUE(hxc::AskMachines(*db, &machines, &why)) << why;
    ASSERT_EQ(machines.rows.size(), 1u);
    EXPECT_EQ(machines.rows[0].back(), std::string(s.name) == "2.hxi" || std::string(s.name) == "3.hxi" ? "stale" : "");
  }
  // Two deltas held before the full inventory: tried again once it came, too old by then.
  EXPECT_EQ(hxtest::FilesIn(inbox + "/pending").size(), 0u);
  EXPECT_EQ(hxtest::FilesIn(inbox + "/ingested").size(), 7u);
  EXPECT_EQ(hxtest::ReadFile(inbox + "/rejected/7.hxi.why").substr(0, 12), "syntax error");
  EXPECT_EQ(collecttest::Rows(*db, "SELECT name, version FROM packages", 2),
            std::vector<std::string>{"openssl\t3.0.15-1~deb12u1"});
  // The held deltas, too old by then, are recorded as late; the copy not at all.
  EXPECT_EQ(collecttest::Rows(*db, "SELECT outcome, COUNT(*) FROM documents GROUP BY outcome", 2),
            (std::vector<std::string>{"applied\t3", "late\t3"}));
}

TEST_P(CollectIngestOn, QuestionsAndTheStoredStateAsADocument) {
  TempDirC dir("hxcollect-ask");
  const std::string inbox = dir.Mkdir("in");
  auto db = NewDatabase(dir.File("c.db"));
  ASSERT_TRUE(db != nullptr);
  hxtest::WriteFile(inbox + "/a.hxi", Full("m", "20261201T000000", c_Body + c_Old));
  hxtest::WriteFile(inbox + "/b.hxi", Full("n", "20261201T000000",
                                          c_New + "<Hardware Class=\"TVK_DiskDrive\" Name=\"nvme0n1\"><Property Name=\"Model\" "
                                                  "Value=\"A &amp; B\"/><Property Name=\"Size\" Value=\"2\"/></Hardware>"));
  hxtest::WriteFile(inbox + "/c.hxi", Delta("m", "20261202T000000", c_Old, "", c_New));
  collecttest::Ingest(*db, inbox, false, true);
  EXPECT_TRUE(hxtest::FilesIn(inbox + "/ingested").empty());
  hxc::QueryOptionsT o;
  o.dateFormat = hxc::c_DefaultDateFormat;
  hxc::TableT t;
  std::string doc, why;
  ASSERT_TRUE(hxc::AskPackages(*db, "openssl", "3.0.15-1~deb12u2", &t, &why)) << why;
  EXPECT_EQ(hxc::RenderTable(t, hxc::FormatE::Csv),
            "Machine,Configuration,Name,Version,Type\r\nm,,openssl,3.0.15-1~deb12u1,DEB\r\nn,,openssl,3.0.15-1~deb12u1,DEB\r\n");
  t = hxc::TableT();
  ASSERT_TRUE(hxc::AskPackages(*db, "openssl", "3.0.15-1~deb12u1", &t, &why)) << why;
  EXPECT_TRUE(t.rows.empty());
  t = hxc::TableT();
  ASSERT_TRUE(hxc::AskFiles(*db, "00112233445566778899AABBCCDDEEFF", &t, &why)) << why;
  EXPECT_EQ(hxc::RenderTable(t, hxc::FormatE::Json),
            "[\n {\"Machine\": \"m\", \"Configuration\": \"\", \"Path\": \"/a\", \"Size\": \"3\"},\n"
            " {\"Machine\": \"m\", \"Configuration\": \"\", \"Path\": \"/b\", \"Size\": \"3\"}\n]\n");
  t = hxc::TableT();
  ASSERT_TRUE(hxc::AskHardware(*db, "TVK_DiskDrive", &t, &why)) << why;
  EXPECT_EQ(hxc::RenderTable(t, hxc::FormatE::Csv),
            "Machine,Configuration,Name,Properties\r\nm,,sda,Size=1\r\nn,,nvme0n1,Model=A & B; Size=2\r\n");
  t = hxc::TableT();
  ASSERT_TRUE(hxc::AskChanges(*db, "m", "20261202T000000", o, &t, &why)) << why;
  EXPECT_EQ(hxc::RenderTable(t, hxc::FormatE::Text),
            "Chain    DateTime         Document      Change   Tag      Item\n"
            "Machine  20261202T000000  Difference 1  added    Package  Name=\"openssl\" Evidence=\"DEB\" Version=\"3.0.15-1~deb12u1\"\n"
            "Machine  20261202T000000  Difference 1  removed  Package  Name=\"openssl\" Evidence=\"DEB\" Version=\"3.0.11-1~deb12u2\"\n");
  // The state before the delta, as a document, taken in again as a full inventory: the same items.
  ASSERT_TRUE(hxc::AskShow(*db, "m", "20261201T120000", true, o, &t, &doc, &why)) << why;
  EXPECT_TRUE(hxtest::Contains(doc, "DateTime=\"20261201T000000\" Type=\"Full\">\n\t<Package Name=\"caf")) << doc;
  hxtest::WriteFile(dir.Mkdir("again") + "/x.hxi", doc);
  // The readers of inventories read it: the viewer, and xmllint where it is installed.
  EXPECT_EQ(std::system((std::string(HX_BINARY_DIR "/bin/hxview ") + dir.File("again/x.hxi") + " >/dev/null").c_str()), 0);
  if (::access("/usr/bin/xmllint", X_OK) == 0) {
    EXPECT_EQ(std::system(("xmllint --noout " + dir.File("again/x.hxi")).c_str()), 0);
  }
  auto copy = NewDatabase(dir.File("copy.db"));
  collecttest::Ingest(*copy, dir.File("again"));
  EXPECT_EQ(collecttest::Rows(*copy, "SELECT flat, deep, xml FROM item_versions", 3),
            collecttest::Rows(*db, "SELECT flat, deep, xml FROM item_versions WHERE first_doc = 1 AND chain = 1", 3));
  EXPECT_FALSE(hxc::AskShow(*db, "nobody", "", false, o, &t, &doc, &why));
}

// An engine whose record of one document fails, as on a full disk: that statement alone, or,
// as SQLite does on some failures, the whole transaction with it.
class FailingDbC : public hxc::SqlDbI {
 public:
  FailingDbC(hxc::SqlDbI& db, std::string name, bool endsTransaction)
      : db_(db), name_(std::move(name)), endsTransaction_(endsTransaction) {}
  const hxc::SqlDialectT& Dialect() const override { return db_.Dialect(); }
  hx::ResultT Exec(std::string_view sql) override { return db_.Exec(sql); }
  std::unique_ptr<hxc::SqlStmtI> Prepare(std::string_view sql) override {
    auto stmt = db_.Prepare(sql);
    if (stmt == nullptr || sql.rfind("INSERT INTO documents", 0) != 0) return stmt;
    return std::make_unique<StmtC>(std::move(stmt), *this);
  }
  hx::ResultT Begin() override { return db_.Begin(); }
  hx::ResultT Commit() override { return db_.Commit(); }
  hx::ResultT Rollback() override { return db_.Rollback(); }
  hx::ResultT LockChain(int64_t chain) override { return db_.LockChain(chain); }
  std::string errorText() const override { return db_.errorText(); }

 private:
  // The document record, whose third value is the file's name.
  class StmtC : public hxc::SqlStmtI {
   public:
    StmtC(std::unique_ptr<hxc::SqlStmtI> s, FailingDbC& db) : s_(std::move(s)), db_(db) {}
    void BindInt(int i, int64_t v) override { s_->BindInt(i, v); }
    void BindText(int i, std::string_view v) override {
      if (i == 3) failing_ = v == db_.name_;
      s_->BindText(i, v);
    }
    void BindNull(int i) override { s_->BindNull(i); }
    hxc::StepE Step() override {
      if (!failing_) return s_->Step();
      if (db_.endsTransaction_) HX_IGNORE_RESULT(db_.db_.Exec("ROLLBACK"));  // what the engine did
      return hxc::StepE::Error;
    }
    bool IsNull(int c) const override { return s_->IsNull(c); }
    int64_t ColumnInt(int c) const override { return s_->ColumnInt(c); }
    std::string ColumnText(int c) const override { return s_->ColumnText(c); }
    void Reset() override { s_->Reset(); }

   private:
    std::unique_ptr<hxc::SqlStmtI> s_;
    FailingDbC& db_;
    bool failing_ = false;
  };

  hxc::SqlDbI& db_;
  std::string name_;
  bool endsTransaction_;
};

// Documents share a transaction: one that fails is left for the next pass and takes nothing
// of the others with it, whether the engine failed its statement alone or ended the whole
// transaction. The next pass ends as a clean ingest of the same files.
TEST(CollectIngest, ADocumentThatFailsInABatch) {
  for (const bool endsTransaction : {false, true}) {
    SCOPED_TRACE(endsTransaction);
    TempDirC dir("hxcollect-batch");
    const std::string inbox = dir.Mkdir("in"), clean = dir.Mkdir("clean");
    for (const char* m : {"a", "b", "c"}) {
      const std::string doc = Full(m, std::string("2026120") + (m[0] == 'a' ? "1" : m[0] == 'b' ? "2" : "3") + "T000000", c_Disk);
      hxtest::WriteFile(inbox + "/" + m + ".hxi", doc);
      hxtest::WriteFile(clean + "/" + m + ".hxi", doc);
    }
    auto db = NewDatabase(collecttest::EngineE::Sqlite, dir.File("c.db"));
    ASSERT_TRUE(db != nullptr);
    FailingDbC failing(*db, "b.hxi", endsTransaction);
    hxc::PassCountsT counts;
    std::string why;
    ASSERT_TRUE(hxc::IngestPass(failing, inbox, hxc::IngestDirOptionsT(), [](const std::string&) {}, &counts, &why));
    EXPECT_EQ(counts.failed, 1u);
    EXPECT_EQ(counts.applied, 2u);
    EXPECT_EQ(hxtest::FilesIn(inbox), std::vector<std::string>{"b.hxi"});
    EXPECT_EQ(collecttest::Rows(*db, "SELECT file_name FROM documents ORDER BY id", 1),
              (std::vector<std::string>{"a.hxi", "c.hxi"}));
    collecttest::Ingest(*db, inbox);
    auto reference = NewDatabase(collecttest::EngineE::Sqlite, dir.File("clean.db"));
    collecttest::Ingest(*reference, clean);
    EXPECT_EQ(collecttest::Differences(collecttest::Contents(*reference), collecttest::Contents(*db)), "");
  }
}

// --watch takes a file as it arrives, and ends at SIGTERM.
TEST(CollectIngest, WatchTakesFilesAsTheyArrive) {
  TempDirC dir("hxcollect-watch");
  const std::string inbox = dir.Mkdir("in");
  hxtest::ChildC watch(CommandLineC{HX_BINARY_DIR "/bin/hxcollect", "ingest", inbox, "--watch", "--db", dir.File("c.db")});
  ASSERT_EQ(watch.Start(), hx::RC_OK);
  const std::string doc = Full("m", "20261201T000000", c_Disk);
  for (int i = 0; i < 200 && !std::filesystem::exists(inbox + "/pending"); ++i) ::usleep(20000);
  hxtest::WriteFile(dir.File(".a.hxi"), doc);
  std::filesystem::rename(dir.File(".a.hxi"), inbox + "/a.hxi");  // delivered as a whole, as by a rename
  bool taken = false;
  for (int i = 0; i < 500 && !taken; ++i, ::usleep(20000)) taken = std::filesystem::exists(inbox + "/ingested/a.hxi");
  EXPECT_TRUE(taken);
  ::kill(static_cast<pid_t>(watch.Pid()), SIGTERM);
  EXPECT_EQ(watch.Finish(), 0u) << watch.Err();
}

TEST(CollectIngest, FoldersThatAreNotItsOwnAreRefused) {
  TempDirC dir("hxcollect-links");
  const std::string inbox = dir.Mkdir("in");
  ASSERT_EQ(::symlink(dir.Mkdir("elsewhere").c_str(), (inbox + "/rejected").c_str()), 0);
  auto db = collecttest::NewDatabase(collecttest::EngineE::Sqlite, dir.File("c.db"));
  hxc::PassCountsT counts;
  std::string why;
  EXPECT_FALSE(hxc::IngestPass(*db, inbox, hxc::IngestDirOptionsT(), [](const std::string&) {}, &counts, &why));
  EXPECT_TRUE(hxtest::Contains(why, "rejected")) << why;
  ASSERT_EQ(::symlink(dir.File("c.db").c_str(), dir.File("link.db").c_str()), 0);
  EXPECT_EQ(hxc::OpenSqlite(dir.File("link.db"), &why), nullptr);
}

}  // namespace
