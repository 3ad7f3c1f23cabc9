#pragma once
// The summary as terminal text: the machine's attributes, then each part with its tables,
// columns aligned by characters. Control characters taken from the document (which may reach
// a terminal as escape sequences) are shown as '?'.

#include <string>

#include "view/model/ViewModel.h"
#include "view/render/SummaryTables.h"

namespace hxview {

std::string FormatTextTable(TableT table);
// The document is taken by value: a caller done with it moves it in, and nothing is copied.
std::string FormatTextSummary(ViewDocT doc);

}  // namespace hxview
