#include "view/render/HtmlPage.h"

#include <openssl/evp.h>

#include <unordered_map>

#include "foundation/core/Text.h"

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

// Sorting compares numbers as numbers when both cells are numbers (a size by its exact figure),
// else text in the page's collation; a second click on the same heading reverses the order.
// A large table comes as columns of data (#hx-data) and is built here: only its first rows are
// made into elements, more on request, so that the page's cost follows the data, not its rows;
// sort and filter work on the data. A column is plain values ("v"), indexes into a list of
// distinct values ("d", "i"), or both: a shared beginning (a directory) and the rest.
constexpr const char* c_Script = R"(
(function () {
  'use strict';
  var PAGE = 1000;
  var collator = new Intl.Collator();
  var data = JSON.parse(document.getElementById('hx-data').textContent);
  function sortValue(t) {
    if (t !== '' && !isNaN(Number(t))) return Number(t);
    var m = /\((\d+) (bytes|KiB)\)$/.exec(t) || /^(\d+) (bytes)$/.exec(t);
    return m ? Number(m[1]) * (m[2] === 'KiB' ? 1024 : 1) : t;
  }
  function compare(x, y) {
    if (typeof x === 'number' && typeof y === 'number') return x - y;
    return collator.compare(String(x), String(y));
  }
  function mark(th) {
    var dir = th.getAttribute('aria-sort') === 'ascending' ? -1 : 1;
    Array.prototype.forEach.call(th.parentNode.cells, function (h) { h.removeAttribute('aria-sort'); });
    th.setAttribute('aria-sort', dir > 0 ? 'ascending' : 'descending');
    return dir;
  }
  function sortRows(th) {
    var body = th.closest('table').tBodies[0], col = th.cellIndex, dir = mark(th);
    var rows = Array.prototype.slice.call(body.rows).map(function (r) {
      return { row: r, key: sortValue(r.cells[col] ? r.cells[col].textContent : '') };
    });
    rows.sort(function (a, b) { return dir * compare(a.key, b.key); });
    rows.forEach(function (r) { body.appendChild(r.row); });
  }
  function Big(table, layout) {
    var self = this, rows = [];
    for (var r = 0; r < layout.rows; ++r) rows.push(r);
    this.order = rows; this.view = rows; this.shown = PAGE; this.text = null; this.filter = '';
    this.cell = function (r, c) {
      var col = layout.cols[c], v = col.v ? col.v[r] : '';
      return (col.d ? col.d[col.i[r]] : '') + (v === null ? '' : String(v));
    };
    this.render = function () {
      var body = table.tBodies[0], rows = document.createDocumentFragment();
      for (var k = 0; k < self.view.length && k < self.shown; ++k) {
        var tr = document.createElement('tr');
        for (var c = 0; c < layout.cols.length; ++c) {
          var td = document.createElement('td');
          if (layout.numeric[c]) td.className = 'n';
          td.textContent = self.cell(self.view[k], c);
          tr.appendChild(td);
        }
        rows.appendChild(tr);
      }
      body.textContent = '';
      body.appendChild(rows);
      var left = self.view.length - Math.min(self.view.length, self.shown);
      more.hidden = left === 0;
      more.textContent = 'Show ' + Math.min(left, PAGE) + ' more of ' + left;
    };
    this.applyFilter = function (text) {
      self.filter = text;
      if (text !== '' && self.text === null) {
        self.text = [];
        for (var r = 0; r < layout.rows; ++r) {
          var t = [];
          for (var c = 0; c < layout.cols.length; ++c) t.push(self.cell(r, c));
          self.text.push(t.join('\n').toLowerCase());
        }
      }
      self.view = text === '' ? self.order : self.order.filter(function (r) { return self.text[r].indexOf(text) >= 0; });
      self.shown = PAGE;
      self.render();
    };
    this.sort = function (th) {
      var col = th.cellIndex, dir = mark(th), keys = [];
      for (var r = 0; r < layout.rows; ++r) keys.push(layout.numeric[col] ? Number(self.cell(r, col)) : sortValue(self.cell(r, col)));
      self.order = self.order.slice().sort(function (a, b) { return dir * compare(keys[a], keys[b]); });
      self.applyFilter(self.filter);
    };
    var more = document.createElement('button');
    more.type = 'button';
    more.addEventListener('click', function () { self.shown += PAGE; self.render(); });
    table.parentNode.insertBefore(more, table.nextSibling);
    table.big = this;
    this.render();
  }
  var bigs = [];
  document.querySelectorAll('table[data-rows]').forEach(function (t) {
    bigs.push(new Big(t, data[Number(t.getAttribute('data-rows'))]));
  });
  document.querySelectorAll('th').forEach(function (th) {
    th.addEventListener('click', function () {
      var big = th.closest('table').big;
      if (big) big.sort(th); else sortRows(th);
    });
  });
  var filter = document.getElementById('filter');
  filter.addEventListener('input', function () {
    var text = filter.value.toLowerCase();
    document.querySelectorAll('table:not([data-rows]) tbody tr').forEach(function (row) {
      row.hidden = text !== '' && row.textContent.toLowerCase().indexOf(text) < 0;
    });
    bigs.forEach(function (b) { b.applyFilter(text); });
  });
  document.documentElement.setAttribute('data-ready', '1');
})();
)";

// A table of more rows than this is sent as data and built in the browser.
constexpr size_t c_MaxElementRows = 2000;
// A text column is sent as indexes into its distinct values when they are at most this share
// of its rows (1 in 2).
constexpr size_t c_RowsPerDistinct = 2;

// Text made safe for a JSON string inside a script element: no "</script>" or "<!--" can end
// or change it, control characters shown as blanks as in the page's cells.
void AppendJsonString(std::string& out, const std::string& text) {
  out += '"';
  for (char ch : text) {
    switch (ch) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '<': out += "\\u003c"; break;
      default: out += static_cast<unsigned char>(ch) < c_FirstPrintable ? ' ' : ch;
    }
  }
  out += '"';
}

// One column of a large table as data: figures as numbers; text with a directory part shared
// by most rows as that part's index and the rest; text of few distinct values as indexes.
void AppendColumn(std::string& out, const TableT& t, size_t col) {
  auto cell = [&](const std::vector<std::string>& row) -> const std::string& {
    static const std::string empty;
    return col < row.size() ? row[col] : empty;
  };
  const bool numeric = col < t.numeric.size() && t.numeric[col];
  if (numeric) {
    out += "{\"v\":[";
    for (size_t r = 0; r < t.rows.size(); ++r) {
      if (r > 0) out += ',';
      uint64_t n = 0;
      if (hx::ParseUInt64(cell(t.rows[r]), n)) out += std::to_string(n);
      else if (cell(t.rows[r]).empty()) out += "null";
      else AppendJsonString(out, cell(t.rows[r]));
    }
    out += "]}";
    return;
  }
  bool paths = true;
  for (const auto& row : t.rows) paths = paths && (cell(row).empty() || cell(row).find('/') != std::string::npos);
  // The part of each cell that goes into the list of distinct values: its directory, or all of it.
  auto shared = [&](const std::string& text) { return paths ? text.substr(0, text.rfind('/') + 1) : text; };
  std::unordered_map<std::string, size_t> index;
  std::vector<const std::string*> distinct;
  std::string indexes;
  for (size_t r = 0; r < t.rows.size(); ++r) {
    auto at = index.emplace(shared(cell(t.rows[r])), distinct.size());
    if (at.second) distinct.push_back(&at.first->first);
    indexes += (r > 0 ? "," : "") + std::to_string(at.first->second);
  }
  if (!paths && distinct.size() * c_RowsPerDistinct > t.rows.size()) {
    out += "{\"v\":[";
    for (size_t r = 0; r < t.rows.size(); ++r) {
      if (r > 0) out += ',';
      AppendJsonString(out, cell(t.rows[r]));
    }
    out += "]}";
    return;
  }
  out += "{\"d\":[";
  for (size_t d = 0; d < distinct.size(); ++d) {
    if (d > 0) out += ',';
    AppendJsonString(out, *distinct[d]);
  }
  out += "],\"i\":[" + indexes + "]";
  if (paths) {
    out += ",\"v\":[";
    for (size_t r = 0; r < t.rows.size(); ++r) {
      if (r > 0) out += ',';
      const std::string& text = cell(t.rows[r]);
      AppendJsonString(out, text.substr(text.rfind('/') + 1));
    }
    out += "]";
  }
  out += "}";
}

void AppendTableData(std::string& out, const TableT& t) {
  out += "{\"rows\":" + std::to_string(t.rows.size()) + ",\"numeric\":[";
  for (size_t c = 0; c < t.header.size(); ++c) out += std::string(c > 0 ? "," : "") + (c < t.numeric.size() && t.numeric[c] ? "true" : "false");
  out += "],\"cols\":[";
  for (size_t c = 0; c < t.header.size(); ++c) {
    if (c > 0) out += ',';
    AppendColumn(out, t, c);
  }
  out += "]}";
}

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

// A large table's rows go into data (the page's JSON list), its element only names its place there.
void AppendTable(std::string& out, const TableT& t, std::string& data, size_t& dataTables) {
  const bool big = t.rows.size() > c_MaxElementRows;
  out += "<h3>";
  AppendEscaped(out, t.title);
  out += big ? "</h3>\n<table data-rows=\"" + std::to_string(dataTables) + "\">\n<thead><tr>" : "</h3>\n<table>\n<thead><tr>";
  for (const std::string& h : t.header) {
    out += "<th>";
    AppendEscaped(out, h);
    out += "</th>";
  }
  out += "</tr></thead>\n<tbody>\n";
  if (big) {
    data += dataTables++ > 0 ? ",\n" : "\n";
    AppendTableData(data, t);
  }
  for (size_t r = 0; !big && r < t.rows.size(); ++r) {
    const std::vector<std::string>& row = t.rows[r];
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

std::string FormatHtmlPage(ViewDocT doc, ViewOptionsT options) {
  const std::string title = EscapeHtml(SummaryTitle(doc));
  std::string out = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
  out += "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; script-src " +
         DigestSource(c_Script) + "; style-src " + DigestSource(c_Style) + "\">\n";
  out += "<title>" + title + "</title>\n<style>" + std::string(c_Style) + "</style>\n</head>\n<body>\n";
  out += "<h1>" + title + "</h1>\n";
  if (doc.delta) out += "<p>" + EscapeHtml(DeltaCounts(doc)) + "</p>\n";
  out += "<p><label>Filter <input id=\"filter\" type=\"search\" autocomplete=\"off\"></label></p>\n";
  std::string data = "[";
  size_t dataTables = 0;
  AppendTable(out, MachineTable(doc), data, dataTables);
  // The page lists the packages: its filter box finds one.
  options.listPackages = true;
  for (PartT& part : SummaryParts(std::move(doc), options)) {
    out += "<h2>" + EscapeHtml(part.title) + "</h2>\n";
    if (!part.note.empty()) out += "<p>" + EscapeHtml(part.note) + "</p>\n";
    for (TableT& t : part.tables) {
      AppendTable(out, t, data, dataTables);
      std::vector<std::vector<std::string>>().swap(t.rows);  // a file scan's rows are dropped once written
    }
  }
  out += "<script type=\"application/json\" id=\"hx-data\">" + data + "]</script>\n";
  return out + "<script>" + std::string(c_Script) + "</script>\n</body>\n</html>\n";
}

}  // namespace hxview
