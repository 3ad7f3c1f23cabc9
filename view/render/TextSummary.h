#pragma once
// The summary as terminal text: the machine's attributes, then each part with its tables,
// columns aligned by characters. Control characters taken from the document (which may reach
// a terminal as escape sequences) are shown as '?'.

#include <functional>
#include <string>

#include "foundation/core/Nodiscard.h"
#include "view/model/ViewModel.h"
#include "view/render/SummaryTables.h"

namespace hxview {

// The text with C0, DEL and C1 controls (the C1 CSI is an escape sequence on many terminals)
// shown as '?'.
std::string Printable(const std::string& text);
// Receives the summary a piece at a time; false when the piece could not be written.
using TextSinkT = std::function<bool(const std::string& piece)>;
// Writes the summary through the sink in pieces, so that the text of a large inventory is never
// held whole; false when the sink failed. The document is taken by value: a caller done with it
// moves it in, and nothing is copied.
HX_NODISCARD bool WriteTextSummary(ViewDocT doc, const TextSinkT& sink, const ViewOptionsT& options = {});
// The whole summary as one text.
std::string FormatTextSummary(ViewDocT doc, const ViewOptionsT& options = {});

}  // namespace hxview
