// Arbitrary bytes as an inventory for the viewer: reading never crashes, and whatever it keeps,
// the terminal summary holds no control character but the line end, and the page no script
// but its own two: the table data and the code that shows it.

#include "FuzzSupport.h"
#include "view/model/InventoryStream.h"
#include "view/render/HtmlPage.h"
#include "view/render/TextSummary.h"

using hxfuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  hxview::ViewDocT doc;
  hxview::InventoryStreamC stream(doc);
  // In two pieces: an element may be cut anywhere between two reads.
  const size_t half = size / 2;
  const char* text = reinterpret_cast<const char*>(data);
  if (hx::Failed(stream.Feed(text, half, false)) || hx::Failed(stream.Feed(text + half, size - half, true))) return 0;
  const std::string summary = hxview::FormatTextSummary(doc);
  for (size_t i = 0; i < summary.size(); ++i) {
    const auto c = static_cast<unsigned char>(summary[i]);
    Check(c >= 0x20 || c == '\n');
    Check(c != 0x7F && !(c == 0xC2 && i + 1 < summary.size() && (static_cast<unsigned char>(summary[i + 1]) & 0xE0) == 0x80));
  }
  const std::string page = hxview::FormatHtmlPage(doc);
  size_t scripts = 0, ends = 0;
  for (size_t at = page.find("<script"); at != std::string::npos; at = page.find("<script", at + 1)) ++scripts;
  for (size_t at = page.find("</script"); at != std::string::npos; at = page.find("</script", at + 1)) ++ends;
  Check(scripts == 2 && ends == 2);
  return 0;
}
