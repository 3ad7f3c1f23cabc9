#include "collect/query/Table.h"

#include <algorithm>
#include <cstdio>

namespace hxc {

namespace {

// Text columns are aligned on characters, not bytes; a control character is shown as "?".
size_t Width(const std::string& s) {
  size_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

std::string Shown(const std::string& s) {
  std::string out = s;
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  }
  return out;
}

std::string Text(const TableT& t) {
  std::vector<size_t> width(t.columns.size(), 0);
  auto measure = [&](const std::vector<std::string>& row) {
    for (size_t i = 0; i < row.size() && i < width.size(); ++i) width[i] = std::max(width[i], Width(row[i]));
  };
  measure(t.columns);
  for (const auto& r : t.rows) measure(r);
  std::string out;
  auto line = [&](const std::vector<std::string>& row) {
    std::string l;
    for (size_t i = 0; i < row.size() && i < width.size(); ++i) {
      const std::string v = Shown(row[i]);
      l += v;
      if (i + 1 < row.size()) l.append(width[i] - Width(v) + 2, ' ');
    }
    while (!l.empty() && l.back() == ' ') l.pop_back();
    out += l + "\n";
  };
  line(t.columns);
  for (const auto& r : t.rows) line(r);
  return out;
}

std::string CsvField(const std::string& v) {
  if (v.find_first_of(",\"\r\n") == std::string::npos) return v;
  std::string out = "\"";
  for (char c : v) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string Csv(const TableT& t) {
  std::string out;
  auto line = [&](const std::vector<std::string>& row) {
    for (size_t i = 0; i < row.size(); ++i) out += (i ? "," : "") + CsvField(row[i]);
    out += "\r\n";
  };
  line(t.columns);
  for (const auto& r : t.rows) line(r);
  return out;
}

std::string JsonString(const std::string& v) {
  std::string out = "\"";
  for (unsigned char c : v) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04x", c);
      out += esc;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string Json(const TableT& t) {
  std::string out = "[";
  for (size_t r = 0; r < t.rows.size(); ++r) {
    out += r ? ",\n {" : "\n {";
    for (size_t i = 0; i < t.columns.size() && i < t.rows[r].size(); ++i)
      out += (i ? ", " : "") + JsonString(t.columns[i]) + ": " + JsonString(t.rows[r][i]);
    out += "}";
  }
  return out + "\n]\n";
}

}  // namespace

std::string RenderTable(const TableT& table, FormatE format) {
  switch (format) {
    case FormatE::Csv: return Csv(table);
    case FormatE::Json: return Json(table);
    case FormatE::Text: break;
  }
  return Text(table);
}

}  // namespace hxc
