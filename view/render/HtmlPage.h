#pragma once
// The summary as one self-contained HTML page: the same tables as the terminal summary (the
// packages always listed), every column sortable by a click on its heading, and a filter box
// that hides the rows not holding its text. A table of thousands of rows (a file scan's) is
// sent as compact data in the page and built by its script, a page of rows at a time. The page loads nothing: script and style are inline, and its content security
// policy allows only those two (by their digests) and nothing from the network.
//
// Everything taken from the document is escaped: an inventory is data from the machine, and a
// file name may hold markup.

#include <string>

#include "view/model/ViewModel.h"
#include "view/render/SummaryTables.h"

namespace hxview {

// Text made safe for an HTML element or a quoted attribute value.
std::string EscapeHtml(const std::string& text);
void AppendEscaped(std::string& out, const std::string& text);
// The document is taken by value, as for the text summary.
std::string FormatHtmlPage(ViewDocT doc, ViewOptionsT options = {});

}  // namespace hxview
