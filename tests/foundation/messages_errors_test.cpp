#include <gtest/gtest.h>

#include "foundation/messages/Errors.h"

namespace {

std::string GroupText(const char* sev, const char* text) {
  return std::string("\x01\x01") + sev + "\x01" + text;
}

TEST(MessagesMarkup, SeverityAndTextSelection) {
  struct Case { std::string text; ErrSevT sev; const char* want; };
  const Case cases[] = {
      {"Plain text", ErrSevError, "Plain text"},
      {GroupText("i", "Preferences loaded"), ErrSevInformation, "Preferences loaded"},
      {GroupText("w", "Careful"), ErrSevWarning, "Careful"},
      {"{i} Started", ErrSevInformation, "Started"},
      {"{we}\tLast letter wins", ErrSevError, "Last letter wins"},
      {"{Xi}Gated letter skipped", ErrSevError, "Gated letter skipped"},
      {"{#}Silent", ErrSevNone, "Silent"},
      {"{unbalanced", ErrSevError, ""},
      {std::string("\x01") + "style\x01i\x01styled\x01\x01w\x01" + "chosen", ErrSevWarning, "chosen"},
      {std::string("\x01") + "style\x01i\x01only styled", ErrSevError, ""},
      {std::string("\x01\x01"), ErrSevError, ""},  // group list cut short
  };
  for (const auto& c : cases) {
    ErrSevT sev = ErrSevNone;
    EXPECT_EQ(ApplyMarkup(c.text, sev), c.want);
    EXPECT_EQ(sev, c.sev) << c.want;
  }
}

TEST(MessagesErrorBuffer, ReportCheckpointRollbackCoalesce) {
  ErrBufImplC* buf = getErrBuf();
  buf->reset();
  const int32_t id = static_cast<int32_t>(0xE0BD0118u);
  EXPECT_EQ(Error(id, "Inventory tracking was cancelled."), id);
  const unsigned mark = buf->checkpoint();
  Error(static_cast<int32_t>(0xE0BD0001u), "Disk full\x01No space left\x01" "Free some space");
  Error(static_cast<int32_t>(0xE0BD0002u), "{#}Not recorded");
  ASSERT_EQ(buf->count(), 2u);
  EXPECT_EQ(buf->get(1)->message(), "Disk full\nNo space left\nFree some space");
  EXPECT_EQ(buf->get(5), nullptr);
  buf->rollback(mark);
  ASSERT_EQ(buf->count(), 1u);
  Error(static_cast<int32_t>(0xE0BD0003u), "\x01\x01w\x01Value %1$s repaired to %2$d", "ProgressDepth", 3);
  ErrSevT sev = ErrSevNone;
  EXPECT_EQ(buf->coalesce(sev), "Inventory tracking was cancelled.\nValue ProgressDepth repaired to 3");
  EXPECT_EQ(sev, ErrSevError);
  EXPECT_EQ(buf->count(), 0u);
  EXPECT_EQ(buf->coalesce(sev), "");
  EXPECT_EQ(sev, ErrSevNone);
}

}  // namespace
