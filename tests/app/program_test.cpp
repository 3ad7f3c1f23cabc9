// The program bin/hxtrack as cron runs it: whole runs with their files and log, the signature
// of the inventory, the machine-wide lock between two trackers, and a plug-in that takes over
// the tracker class.

#include <gtest/gtest.h>

#include <openssl/evp.h>
#include <signal.h>

#include <cstdio>
#include <thread>

#include "tests/app/AppTestSupport.h"
#include "tests/app/plugin/TestTrackerPlugin.h"

namespace {

using hxapp::Contains;
using hxapp::FilesIn;
using hxapp::OnlyFile;
using hxapp::QuietArgs;
using hxapp::RunProgram;
using hxapp::TrackerProcessC;

using hxapp::EndsWithSeparator;

// Waits (bounded) until the marker file holds `lines` lines.
std::vector<std::string> WaitForMarker(const std::string& path, size_t lines) {
  std::vector<std::string> got;
  for (int i = 0; i < 1200; ++i) {
    got = hx::SplitLines(hxtest::ReadFile(path));
    if (got.size() >= lines) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return got;
}

std::string PluginIni() { return std::string("PluginDirectory=") + hxapp::c_PluginDir + "\n"; }

TEST(TrackerProgram, StagedUploadedAndDeltaRuns) {
  hxtest::TempDirC dir("hxapp-prog");
  const std::string inventories = dir.File("data/tracker/inventories");
  const std::string uploads = dir.File("data/uploads");
  const std::string server = dir.File("server/Inventories");

  // Staged only: the compressed inventory waits in the upload directory.
  hxapp::RunT run = RunProgram(dir, QuietArgs({"-o", "Upload=False"}));
  EXPECT_EQ(run.exitCode, 0u) << run.log;
  const std::string inventory = OnlyFile(inventories);
  const std::string staged = hxapp::Gunzipped(OnlyFile(uploads));
  EXPECT_EQ(staged, hxtest::ReadFile(inventory));
  EXPECT_TRUE(Contains(staged, "Type=\"Full\""));
  for (const char* line : {"Obtained semaphore lock.", "Started generating inventory", "Finished compressing inventory",
                           "Program exited successfully"})
    EXPECT_TRUE(Contains(run.log, line)) << line << "\n" << run.log;
  EXPECT_TRUE(EndsWithSeparator(run.log)) << run.log;

  // Uploaded: the uploader delivers the staged file and removes it.
  run = RunProgram(dir, QuietArgs({}));
  EXPECT_EQ(run.exitCode, 0u) << run.log;
  const std::vector<std::string> first = FilesIn(server);
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(hxapp::Gunzipped(server + "/" + first[0]), hxtest::ReadFile(inventory));
  EXPECT_TRUE(FilesIn(uploads).empty());
  EXPECT_TRUE(Contains(run.log, "Finished uploading inventory")) << run.log;

  // A delta against that inventory, delivered beside it under its own generation's name.
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));  // a new DateTime, so a new name
  run = RunProgram(dir, QuietArgs({"-o", "Difference=True"}));
  EXPECT_EQ(run.exitCode, 0u) << run.log;
  std::vector<std::string> now = FilesIn(server);
  ASSERT_EQ(now.size(), 2u);
  const std::string deltaName = now[0] == first[0] ? now[1] : now[0];
  EXPECT_TRUE(Contains(deltaName, "(1).hxi.gz")) << deltaName;
  const std::string delta = hxapp::Gunzipped(server + "/" + deltaName);
  EXPECT_TRUE(Contains(delta, "Type=\"Difference\" Generation=\"1\">\n\t<Remove/>\n\t<Update/>\n\t<Add/>\n</Inventory>"))
      << delta;
  EXPECT_TRUE(Contains(run.log, "Generating an inventory delta (generation 1 of 9)")) << run.log;
  EXPECT_TRUE(EndsWithSeparator(run.log));
}

std::string Hex(const unsigned char* bytes, size_t n) {
  std::string s;
  char pair[3];
  for (size_t i = 0; i < n; ++i) s.append(pair, std::snprintf(pair, sizeof pair, "%02x", bytes[i]));
  return s;
}

std::string Md5Hex(const std::string& data) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int n = 0;
  EVP_Digest(data.data(), data.size(), digest, &n, EVP_md5(), nullptr);
  return Hex(digest, n);
}

TEST(TrackerProgram, TamperShieldSignatureVerifies) {
  hxtest::TempDirC dir("hxapp-prog");
  const std::string keyText = dir.File("messages/hxtmsg.cat");
  const hxapp::RunT run = RunProgram(dir, QuietArgs({"-o", "TamperShield=True", "-o", "LogMsgCatPath=" + keyText, "-o",
                                                "Upload=False"}));
  ASSERT_EQ(run.exitCode, 0u) << run.log;
  const std::string signedFile = hxtest::ReadFile(OnlyFile(dir.File("data/tracker/inventories")));
  const size_t open = signedFile.rfind("<!--");
  ASSERT_NE(open, std::string::npos) << signedFile;
  ASSERT_EQ(signedFile.substr(signedFile.size() - 3), "-->");
  const std::string body = signedFile.substr(0, open);
  const std::string signature = signedFile.substr(open + 4, signedFile.size() - open - 7);
  EXPECT_TRUE(Contains(body, "</Inventory>") || Contains(body, "/>\n")) << body;

  // The receiver's check: the body's digest enciphered under the key text's digest.
  const std::string digest = Md5Hex(body), key = Md5Hex(keyText);
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  unsigned char out[64];
  int n = 0, m = 0;
  ASSERT_EQ(EVP_EncryptInit_ex(ctx, EVP_aes_256_ecb(), nullptr, reinterpret_cast<const unsigned char*>(key.data()), nullptr), 1);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  EVP_EncryptUpdate(ctx, out, &n, reinterpret_cast<const unsigned char*>(digest.data()), 32);
  EVP_EncryptFinal_ex(ctx, out + n, &m);
  EVP_CIPHER_CTX_free(ctx);
  EXPECT_EQ(signature, Hex(out, static_cast<size_t>(n + m)));
  EXPECT_EQ(signature.size(), 64u);
  // The staged copy is the signed file.
  const std::string staged = hxapp::Gunzipped(OnlyFile(dir.File("data/uploads")));
  EXPECT_EQ(staged, signedFile);
}

TEST(TrackerProgram, SecondTrackerWaitsForTheFirst) {
  hxtest::TempDirC dir("hxapp-prog");
  const std::string marker = dir.File("marker");
  const std::vector<std::string> slow = QuietArgs({"-o", "TestTrackerMarker=" + marker, "-o", "TestTrackerSleepMs=3000"});
  const std::vector<std::string> quick = QuietArgs({"-o", "TestTrackerMarker=" + marker});
  TrackerProcessC first(dir, slow, PluginIni());
  ASSERT_EQ(first.Start(), hx::RC_OK);
  ASSERT_EQ(WaitForMarker(marker, 1).size(), 1u);  // the first holds the lock from here on
  TrackerProcessC second(dir, quick, PluginIni());
  ASSERT_EQ(second.Start(), hx::RC_OK);
  EXPECT_EQ(first.Finish(), 0u);
  EXPECT_EQ(second.Finish(), 0u);

  const std::string a = std::to_string(first.Pid()), b = std::to_string(second.Pid());
  EXPECT_EQ(hx::SplitLines(hxtest::ReadFile(marker)),
            (std::vector<std::string>{"start " + a, "end " + a, "start " + b, "end " + b}));
  // Both log into the same file: the second asked for the lock while the first ran, and got
  // it only after the first had finished.
  const std::string log = hxtest::ReadFile(dir.File("data/log/tracker.log"));
  const size_t asked = log.find("{" + b + "} Obtaining semaphore lock");
  const size_t firstDone = log.find("{" + a + "} Program exited successfully");
  const size_t got = log.find("{" + b + "} Obtained semaphore lock.");
  ASSERT_TRUE(asked != std::string::npos && firstDone != std::string::npos && got != std::string::npos) << log;
  EXPECT_LT(asked, firstDone) << log;
  EXPECT_LT(firstDone, got) << log;
}

TEST(TrackerProgram, KilledHolderDoesNotBlockTheNext) {
  hxtest::TempDirC dir("hxapp-prog");
  const std::string marker = dir.File("marker");
  TrackerProcessC holder(dir, QuietArgs({"-o", "TestTrackerMarker=" + marker, "-o", "TestTrackerSleepMs=600000"}),
                         PluginIni());
  ASSERT_EQ(holder.Start(), hx::RC_OK);
  ASSERT_EQ(WaitForMarker(marker, 1).size(), 1u);
  ASSERT_EQ(::kill(static_cast<pid_t>(holder.Pid()), SIGKILL), 0);
  holder.Finish();

  TrackerProcessC next(dir, QuietArgs({"-o", "TestTrackerMarker=" + marker}), PluginIni());
  ASSERT_EQ(next.Start(), hx::RC_OK);
  EXPECT_EQ(next.Finish(std::chrono::seconds(60)), 0u);
  EXPECT_FALSE(next.TimedOut());
  const std::string b = std::to_string(next.Pid());
  EXPECT_EQ(hx::SplitLines(hxtest::ReadFile(marker)),
            (std::vector<std::string>{"start " + std::to_string(holder.Pid()), "start " + b, "end " + b}));
}

TEST(TrackerProgram, PluginTakesOverTheTrackerClass) {
  struct CaseT { const char* what; std::vector<std::string> args; bool builtInRan; };
  const std::vector<CaseT> cases = {
      {"plug-in alone", {}, false},
      {"plug-in handing over to the built-in tracker", {"-o", "TestTrackerDelegate=True"}, true},
  };
  for (const CaseT& c : cases) {
    hxtest::TempDirC dir("hxapp-prog");
    const std::string marker = dir.File("marker");
    std::vector<std::string> args = QuietArgs({"-o", "TestTrackerMarker=" + marker, "-o", "Upload=False"});
    args.insert(args.end(), c.args.begin(), c.args.end());
    const hxapp::RunT run = RunProgram(dir, args, PluginIni());
    EXPECT_EQ(run.exitCode, 0u) << c.what << run.log;
    const std::vector<std::string> marks = hx::SplitLines(hxtest::ReadFile(marker));
    ASSERT_EQ(marks.size(), 2u) << c.what;
    EXPECT_EQ(marks[0].substr(0, 6), "start ") << c.what;
    EXPECT_EQ(Contains(run.log, "Inventory tracking started"), c.builtInRan) << c.what << run.log;
    EXPECT_EQ(FilesIn(dir.File("data/tracker/inventories")).size(), c.builtInRan ? 1u : 0u) << c.what;
    EXPECT_TRUE(EndsWithSeparator(run.log)) << c.what;
  }
}

TEST(TrackerProgram, CancelledDuringAFailingUploadReportsTheCancellation) {
  hxtest::TempDirC dir("hxapp-prog");
  // At the full level an interrupt is a cancellation; without a terminal the start-up question
  // takes its default answer.
  TrackerProcessC p(dir, {"-o", "UserInteractionLevel=FULL", "-o", "LowProfile=False"}, "",
                    hxapp::c_CancellingInstallDir, true);
  ASSERT_EQ(p.Start(), hx::RC_OK);
  EXPECT_EQ(p.Finish(), hxapp::ExitStatusOf(hx::ToResult(0xE0BD0118u)));
  const std::string log = hxtest::ReadFile(dir.File("data/log/tracker.log"));
  EXPECT_TRUE(Contains(log, "WARNING: Inventory tracking terminated by user")) << log;
  EXPECT_TRUE(Contains(log, "Program exited with code -524484328")) << log;
  EXPECT_FALSE(Contains(log, "Unable to upload inventory file(s)")) << log;
}

}  // namespace
