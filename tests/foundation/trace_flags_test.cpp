// The letter-list syntax shared by the flag tracer and the log filter, and the flags HXTRKTRACE
// sets.

#include "foundation/messages/Errors.h"
#include "foundation/trace/TraceFlags.h"
#include "support/TestSupport.h"

namespace {

constexpr uint32_t kAll = 0xFFFFFFFFu;

struct MaskT { char letter; uint32_t mask; };

// masks: every letter not listed must be 0
struct ParseCaseT { const char* text; bool ok; std::vector<MaskT> masks; };

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
    HX_IGNORE_RESULT(flags.TrcParseArgs("Q", true));  // earlier flags never survive a parse
    EXPECT_EQ(flags.TrcParseArgs(c.text, true), c.ok) << c.text;
    ExpectMasks(flags, c);
  }
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

}  // namespace
