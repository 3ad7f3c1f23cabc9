// The letter-list syntax shared by the flag tracer and the log filter, HXTRKTRACE, and the flag
// trace output with its header.

#include "foundation/messages/Errors.h"
#include "foundation/trace/TraceFlags.h"
#include "foundation/trace/TraceOutput.h"
#include "support/TestSupport.h"

namespace {

constexpr uint32_t kAll = 0xFFFFFFFFu;

struct MaskT { char letter; uint32_t mask; };

struct ParseCaseT {
  const char* text;
  bool ok;
  std::vector<MaskT> masks;  // every letter not listed must be 0
};

void ExpectMasks(const TraceC& flags, const ParseCaseT& c) {
  for (int letter = hx::kFirstLetter; letter <= hx::kLastLetter; ++letter) {
    uint32_t expected = 0;
    for (const MaskT& m : c.masks)
      if (m.letter == letter) expected = m.mask;
    EXPECT_EQ(flags.Mask(letter), expected) << "text \"" << c.text << "\" letter " << static_cast<char>(letter);
  }
}

TEST(TraceFlagsTest, ParsesLettersRangesAndBitLists) {
  const ParseCaseT cases[] = {
      {"A,C-E", true, {{'A', kAll}, {'C', kAll}, {'D', kAll}, {'E', kAll}}},
      {"B1,3-5,C", true, {{'B', 0x3Au}, {'C', kAll}}},
      {"B1,3-5C0", true, {{'B', 0x3Au}, {'C', 0x1u}}},
      {"G", true, {{'G', kAll}}},
      {"y-", true, {{'y', kAll}, {'z', kAll}}},
      {"B30-", true, {{'B', 0xC0000000u}}},
      {"B3-x", true, {{'B', 0xFFFFFFF8u}, {'x', kAll}}},
      {"B31,32,99999999999", true, {{'B', 0x80000000u}}},
      {"B5-2", true, {}},
      {"E-C", true, {}},
      {"  12 ;;G", true, {{'G', kAll}}},
      {"", true, {}},
      {"A-5", false, {}},
      {"A-,", false, {}},
      {"B1-,", false, {}},
  };
  for (const ParseCaseT& c : cases) {
    TraceC flags;
    flags.TrcParseArgs("Q", true);  // earlier flags never survive a parse
    EXPECT_EQ(flags.TrcParseArgs(c.text, true), c.ok) << c.text;
    ExpectMasks(flags, c);
  }
  // Letters and numbers outside the range are never on, whatever the text said.
  TraceC flags;
  ASSERT_TRUE(flags.TrcParseArgs("A-z", true));
  EXPECT_TRUE(flags.IsOn('z', 31));
  EXPECT_FALSE(flags.IsOn('@', 0));
  EXPECT_FALSE(flags.IsOn('{', 0));
  EXPECT_FALSE(flags.IsOn('A', 32));
  EXPECT_FALSE(flags.IsOn('A', -1));
}

TEST(TraceFlagsTest, SwitchingOffClearsWhatTheTextNames) {
  hx::LetterMasksT masks{};
  masks.fill(kAll);
  ASSERT_TRUE(hx::ApplyLetterList("B1,3-5,D", false, masks));
  EXPECT_EQ(masks[hx::LetterIndex('B')], ~0x3Au);
  EXPECT_EQ(masks[hx::LetterIndex('D')], 0u);
  EXPECT_EQ(masks[hx::LetterIndex('C')], kAll);
}

using ScopedEnv = hxtest::ScopedEnvC;

TEST(TraceFlagsTest, TrackerFlagsComeFromTheEnvironment) {
  {
    ScopedEnv env("HXTRKTRACE", "A,C-E B1,3-5");
    EXPECT_EQ(TrkDbgInitialise(), 0);
    IndentedTraceC* flags = TrkTrcFlgs.load();
    ASSERT_NE(flags, nullptr);
    EXPECT_EQ(flags->Mask('A'), kAll);
    EXPECT_EQ(flags->Mask('E'), kAll);
    EXPECT_EQ(flags->Mask('B'), 0x3Au);
  }
  {
    ScopedEnv env("HXTRKTRACE", "P-7");
    getErrBuf()->reset();
    EXPECT_EQ(TrkDbgInitialise(), hx::kMsgCannotParseTraceFlags);
    ASSERT_EQ(getErrBuf()->count(), 1u);
    EXPECT_EQ(getErrBuf()->get(0)->id(), hx::kMsgCannotParseTraceFlags);
    EXPECT_EQ(getErrBuf()->get(0)->problem(), "Cannot parse trace flags: \"P-7\"");
    getErrBuf()->reset();
    for (int letter = hx::kFirstLetter; letter <= hx::kLastLetter; ++letter)
      EXPECT_EQ(TrkTrcFlgs.load()->Mask(letter), 0u) << static_cast<char>(letter);
  }
  {
    // Unset: nothing is parsed and nothing reported.
    ScopedEnv env("HXTRKTRACE", nullptr);
    EXPECT_EQ(TrkDbgInitialise(), 0);
  }
}

// Prints with letters A and B on through a fresh trace output, with HXTRACEFILE, HXTRACETIME
// and HXTRACE as given (null: unset); answers what reached standard error.
std::string PrintFresh(const char* file, const char* time, const char* trace,
                       const std::function<void(IndentedTraceC*)>& print) {
  ScopedEnv env;
  env.Set("HXTRACEFILE", file);
  env.Set("HXTRACETIME", time);
  env.Set("HXTRACE", trace);
  IndentedTraceC flags;
  EXPECT_TRUE(flags.TrcParseArgs("A,B2", true));
  hx::TraceOutputC::Instance().Close();
  testing::internal::CaptureStderr();
  print(&flags);
  hx::TraceOutputC::Instance().Close();
  return testing::internal::GetCapturedStderr();
}

TEST(TraceFlagsTest, OutputGoesToStandardErrorWithTheHeader) {
  const std::string out = PrintFresh(nullptr, nullptr, nullptr, [](IndentedTraceC* flags) {
    hx::TrcPrint(flags, 'B', 2, "Reading %s\n", "inventory");
    hx::TrcPrint(flags, 'B', 3, "never written");
    flags->Indent();
    hx::TrcPrint(flags, 'B', 2, "nested");
  });
  EXPECT_NE(out.find(" trace file\nVersion "), std::string::npos) << out;
  EXPECT_NE(out.find("\nTrace generated on "), std::string::npos);
  EXPECT_NE(out.find("\nUser ID = " + std::to_string(getuid()) + ", Group ID = " + std::to_string(getgid()) + "\n"),
            std::string::npos);
  EXPECT_NE(out.find("\nApplication: /"), std::string::npos);
  EXPECT_NE(out.find("\nEnvironment:\t(none)\nPreferences:\t(none)\n\nReading inventory\n  nested\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(out.find("never written"), std::string::npos);
}

TEST(TraceFlagsTest, OutputFileNamedByTheEnvironmentWithTimes) {
  hxtest::TempDirC dir("hxtrc");
  const std::string path = dir.File("flags.trace");
  PrintFresh(path.c_str(), "1", "Tracker", [](IndentedTraceC* flags) { hx::TrcPrint(flags, 'A', 0, "first %d", 1); });
  const std::string out = hxtest::ReadFile(path);
  EXPECT_NE(out.find("\nEnvironment:\tHXTRACE=Tracker\n"), std::string::npos) << out;
  const size_t line = out.find("first 1\n");
  ASSERT_NE(line, std::string::npos) << out;
  const size_t start = out.rfind('\n', line) + 1;
  const std::string prefix = out.substr(start, line - start);
  EXPECT_EQ(prefix.size(), std::string("0.0000: ").size()) << prefix;
  EXPECT_EQ(prefix.substr(prefix.size() - 2), ": ");
}

TEST(TraceFlagsTest, UnopenableOutputIsReportedOnce) {
  getErrBuf()->reset();
  PrintFresh("/nonexistent-dir-for-trace/out.trace", nullptr, nullptr, [](IndentedTraceC* flags) {
    hx::TrcPrint(flags, 'A', 0, "one");
    hx::TrcPrint(flags, 'A', 0, "two");
  });
  ASSERT_EQ(getErrBuf()->count(), 1u);
  EXPECT_EQ(getErrBuf()->get(0)->id(), hx::kMsgTraceFileOpenFailed);
  EXPECT_EQ(getErrBuf()->get(0)->problem(), "Failed to open trace file");
  getErrBuf()->reset();
}

}  // namespace
