#include "view/render/HtmlPage.h"

#include <openssl/evp.h>

#include "view/render/SummaryTables.h"

namespace hxview {

namespace {

constexpr uint32_t c_FirstPrintable = 0x20;

constexpr const char* c_Style = R"(
body { font-family: sans-serif; margin: 1.5em; color: #222; }
h1 { font-size: 1.4em; } h2 { font-size: 1.2em; margin-top: 1.5em; } h3 { font-size: 1em; margin-bottom: .3em; }
table { border-collapse: collapse; margin-bottom: 1em; }
th, td { border: 1px solid #bbb; padding: .2em .5em; text-align: left; vertical-align: top; }
th { background: #eee; cursor: pointer; user-select: none; }
th[aria-sort=ascending]::after { content: " \25B2"; }
th[aria-sort=descending]::after { content: " \25BC"; }
td.n { text-align: right; }
#filter { font-size: 1em; padding: .2em; width: 20em; }
)";

// Sorting compares numbers as numbers when both cells are numbers, else text in the page's
// collation; a second click on the same heading reverses the order.
constexpr const char* c_Script = R"(
(function () {
  'use strict';
  function cellText(row, col) { var c = row.cells[col]; return c ? c.textContent : ''; }
  function compare(a, b) {
    var x = Number(a), y = Number(b);
    if (a !== '' && b !== '' && !isNaN(x) && !isNaN(y)) return x - y;
    return a.localeCompare(b);
  }
  function sortBy(th) {
    var table = th.closest('table'), body = table.tBodies[0], col = th.cellIndex;
    var dir = th.getAttribute('aria-sort') === 'ascending' ? -1 : 1;
    Array.prototype.forEach.call(th.parentNode.cells, function (h) { h.removeAttribute('aria-sort'); });
    th.setAttribute('aria-sort', dir > 0 ? 'ascending' : 'descending');
    var rows = Array.prototype.slice.call(body.rows);
    rows.sort(function (r1, r2) { return dir * compare(cellText(r1, col), cellText(r2, col)); });
    rows.forEach(function (r) { body.appendChild(r); });
  }
  document.querySelectorAll('th').forEach(function (th) {
    th.addEventListener('click', function () { sortBy(th); });
  });
  var filter = document.getElementById('filter');
  filter.addEventListener('input', function () {
    var text = filter.value.toLowerCase();
    document.querySelectorAll('tbody tr').forEach(function (row) {
      row.hidden = text !== '' && row.textContent.toLowerCase().indexOf(text) < 0;
    });
  });
})();
)";

// The policy source of an inline block: 'sha256-<base64 of its digest>'.
std::string DigestSource(const std::string& text) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(text.data(), text.size(), digest, &length, EVP_sha256(), nullptr) != 1) return "'none'";
  std::string encoded(4 * ((length + 2) / 3) + 1, '\0');
  const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&encoded[0]), digest, static_cast<int>(length));
  encoded.resize(static_cast<size_t>(n));
  return "'sha256-" + encoded + "'";
}

void AppendTable(std::string& out, const TableT& t) {
  out += "<h3>";
  AppendEscaped(out, t.title);
  out += "</h3>\n<table>\n<thead><tr>";
  for (const std::string& h : t.header) {
    out += "<th>";
    AppendEscaped(out, h);
    out += "</th>";
  }
  out += "</tr></thead>\n<tbody>\n";
  for (const auto& row : t.rows) {
    out += "<tr>";
    for (size_t c = 0; c < row.size(); ++c) {
      const bool numeric = c < t.numeric.size() && t.numeric[c];
      out += numeric ? "<td class=\"n\">" : "<td>";
      AppendEscaped(out, row[c]);
      out += "</td>";
    }
    out += "</tr>\n";
  }
  out += "</tbody>\n</table>\n";
  if (!t.note.empty()) {
    out += "<p>";
    AppendEscaped(out, t.note);
    out += "</p>\n";
  }
}

}  // namespace

std::string EscapeHtml(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  AppendEscaped(out, text);
  return out;
}

void AppendEscaped(std::string& out, const std::string& text) {
  for (char ch : text) {
    switch (ch) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default:
        out += static_cast<unsigned char>(ch) < c_FirstPrintable ? ' ' : ch;
    }
  }
}

std::string FormatHtmlPage(ViewDocT doc) {
  const std::string title = EscapeHtml(SummaryTitle(doc));
  std::string out = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
  out += "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; script-src " +
         DigestSource(c_Script) + "; style-src " + DigestSource(c_Style) + "\">\n";
  out += "<title>" + title + "</title>\n<style>" + std::string(c_Style) + "</style>\n</head>\n<body>\n";
  out += "<h1>" + title + "</h1>\n";
  out += "<p><label>Filter <input id=\"filter\" type=\"search\" autocomplete=\"off\"></label></p>\n";
  AppendTable(out, MachineTable(doc));
  for (const PartT& part : SummaryParts(std::move(doc))) {
    out += "<h2>" + EscapeHtml(part.title) + "</h2>\n";
    if (!part.note.empty()) out += "<p>" + EscapeHtml(part.note) + "</p>\n";
    for (const TableT& t : part.tables) AppendTable(out, t);
  }
  return out + "<script>" + std::string(c_Script) + "</script>\n</body>\n</html>\n";
}

}  // namespace hxview
