// Hostile documents through the program as it runs, under a 64 MiB address space: each one is
// moved to rejected/ with the reason of the bound it hit, and the run ends normally (a bound
// that did not hold within the cap would end it in a failed allocation instead). How long each
// takes is the benchmark's to say (bench/collect_ingest.cpp).

#include <filesystem>

#include "collect/CollectTestSupport.h"
#include "collect/HostileDocs.h"

namespace {

TEST(CollectHostile, EachIsRejectedWithItsReasonWithinTheCap) {
  hxtest::TempDirC dir("hxcollect-hostile");
  std::vector<collecthostile::HostileT> set = collecthostile::HostileSet(dir.Mkdir("made"));
  ASSERT_GT(set.size(), 3u) << "no corpus file found";
  // A real document beside them: the cap leaves the program room to work.
  collecthostile::WriteText(dir.File("made/real.hxi"), collecthostile::c_Root +
                                                           "<Package Name=\"zlib1g\" Evidence=\"DEB\" Version=\"1:1.2.13\"/></Inventory>\n");
  set.push_back({"real.hxi", dir.File("made/real.hxi"), "taken"});
  for (const collecthostile::HostileT& h : set) {
    SCOPED_TRACE(h.name);
    const std::string inbox = dir.Mkdir("in-" + h.name);
    std::filesystem::copy_file(h.path, inbox + "/" + h.name);
    const collecthostile::CappedRunT run = collecthostile::IngestCapped(inbox, dir.File(h.name + ".db"));
    EXPECT_TRUE(run.exitedZero);
    if (h.reason == "taken") {
      EXPECT_TRUE(std::filesystem::exists(inbox + "/ingested/" + h.name));
      continue;
    }
    EXPECT_TRUE(std::filesystem::exists(inbox + "/rejected/" + h.name));
    const std::string why = hxtest::ReadFile(inbox + "/rejected/" + h.name + ".why");
    EXPECT_GT(why.size(), 1u);
    EXPECT_TRUE(hxtest::Contains(why, h.reason)) << why;
    EXPECT_FALSE(hxtest::Contains(why, "memory")) << why;
  }
}

}  // namespace
