// The collector killed (SIGKILL) at random points of an ingest: each time, the next run ends
// with the database a clean ingest of the same files makes, every file where that ingest put
// it, none lost and none applied twice.

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "collect/CollectTestSupport.h"
#include "foundation/process/CommandLine.h"

namespace {

namespace fs = std::filesystem;
constexpr const char* c_Collector = HX_BINARY_DIR "/bin/hxcollect";

std::string Document(int machine, int day, const std::string& type, const std::string& body) {
  return "<Inventory Audience=\"Machine\" MachineName=\"m" + std::to_string(machine) + "\" DateTime=\"202612" +
         (day < 10 ? "0" : "") + std::to_string(day) + "T000000\" Type=\"" + type + "\">\n" + body + "</Inventory>\n";
}

std::string Package(int n, int version) {
  return "<Package Name=\"p" + std::to_string(n) + "\" Evidence=\"DEB\" Version=\"1." + std::to_string(version) +
         "\"><Property Name=\"Summary\" Value=\"package " + std::to_string(n) + "\"/></Package>\n";
}

// Per machine a full inventory of 400 packages, two deltas against it and one that does not
// fit; one file that is not an inventory.
void MakeInbox(const std::string& dir) {
  for (int m = 0; m < 6; ++m) {
    std::string full, d1 = "<Remove>", d2 = "<Remove>";
    for (int p = 0; p < 400; ++p) full += Package(p, 0);
    for (int p = 0; p < 5; ++p) d1 += Package(p, 0);
    d1 += "</Remove><Update/><Add>";
    for (int p = 0; p < 5; ++p) d1 += Package(p, 1);
    for (int p = 10; p < 20; ++p) d2 += Package(p, 0);
    d2 += "</Remove><Update/><Add>";
    for (int p = 10; p < 20; ++p) d2 += Package(p, 2);
    const std::string prefix = dir + "/m" + std::to_string(m);
    hxtest::WriteFile(prefix + "-1.hxi", Document(m, 1, "Full", full));
    hxtest::WriteFile(prefix + "-2.hxi", Document(m, 2, "Difference", d1 + "</Add>"));
    hxtest::WriteFile(prefix + "-3.hxi", Document(m, 3, "Difference", d2 + "</Add>"));
    hxtest::WriteFile(prefix + "-4.hxi", Document(m, 4, "Difference", "<Remove>" + Package(999, 0) + "</Remove>"));
  }
  hxtest::WriteFile(dir + "/broken.hxi", "<Inventory");
}

// Everything a database holds but the times of the ingests and the ids.
std::vector<std::string> Everything(const std::string& db) {
  std::string why;
  std::unique_ptr<hxc::SqlDbI> open = hxc::OpenDatabase(db, &why);
  EXPECT_TRUE(open != nullptr) << why;
  return open != nullptr ? collecttest::Contents(*open) : std::vector<std::string>();
}

// Where the files are, folder by folder.
std::vector<std::string> Places(const std::string& dir) {
  std::vector<std::string> places;
  for (const char* folder : {"", "/ingested", "/pending", "/rejected"}) {
    for (const std::string& f : hxtest::FilesIn(dir + folder)) places.push_back(folder + std::string("/") + f);
  }
  std::sort(places.begin(), places.end());
  return places;
}

uint32_t Collect(const std::string& dir, const std::string& db, std::chrono::microseconds killAfter) {
  hxtest::ChildC child(CommandLineC{c_Collector, "ingest", dir, "--db", db});
  EXPECT_EQ(child.Start(), hx::RC_OK);
  if (killAfter.count() > 0) {
    std::this_thread::sleep_for(killAfter);
    ::kill(static_cast<pid_t>(child.Pid()), SIGKILL);
  }
  return child.Finish();
}

class CollectKilled : public collecttest::EngineTest {};
INSTANTIATE_ENGINES(CollectKilled);

TEST_P(CollectKilled, NextRunEndsAsACleanIngest) {
  hxtest::TempDirC dir("hxcollect-kill");
  const std::string clean = dir.Mkdir("clean"), cleanDb = collecttest::NewDatabaseArg(GetParam(), dir.File("clean.db"));
  MakeInbox(clean);
  const auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(Collect(clean, cleanDb, std::chrono::microseconds(0)), 0u);
  const auto took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
  const std::vector<std::string> expected = Everything(cleanDb);
  const std::vector<std::string> placed = Places(clean);
  ASSERT_EQ(hxtest::FilesIn(clean + "/pending").size(), 6u);
  std::mt19937 random(26);
  // The kills fall within the clean run's time, a range cut short whenever a kill came after
  // the pass had ended (the machine got faster meanwhile).
  long span = static_cast<long>(took.count());
  int interrupted = 0;  // rounds killed before the pass had placed every file
  for (int round = 0; round < 50; ++round) {
    SCOPED_TRACE(round);
    const std::string inbox = dir.File("in" + std::to_string(round));
    const std::string db = collecttest::NewDatabaseArg(GetParam(), dir.File("in" + std::to_string(round) + ".db"));
    fs::create_directory(inbox);
    MakeInbox(inbox);
    Collect(inbox, db, std::chrono::microseconds(std::uniform_int_distribution<long>(1, span)(random)));
    const bool cut = Places(inbox) != placed;
    interrupted += cut;
    if (!cut) span = std::max(1L, span * 4 / 5);
    ASSERT_EQ(Collect(inbox, db, std::chrono::microseconds(0)), 0u);
    EXPECT_EQ(Places(inbox), placed);
    EXPECT_EQ(Everything(db), expected);
    fs::remove_all(inbox);
  }
  EXPECT_GE(interrupted, 25);
}

}  // namespace
