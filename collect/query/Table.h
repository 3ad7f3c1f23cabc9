#pragma once
// The answers of the questions: a table written as aligned text, CSV (RFC 4180) or JSON (an
// array of objects keyed by the column names). Values come from other machines: text output
// shows control characters as "?", CSV quotes what needs it, JSON escapes them.

#include <string>
#include <vector>

namespace hxc {

enum class FormatE { Text, Csv, Json };

struct TableT {
  std::vector<std::string> columns;
  std::vector<std::vector<std::string>> rows;
};

std::string RenderTable(const TableT& table, FormatE format);

}  // namespace hxc
