#include "collect/query/Questions.h"

#include <functional>
#include <map>
#include <memory>

#include "collect/read/DocumentFile.h"
#include "collect/read/DocumentInfo.h"
#include "collect/read/DocumentReader.h"
#include "inventory/XmlOutputStream.h"
#include "packages/model/DebianVersion.h"
#include "packages/model/PackageVersion.h"

namespace hxc {

namespace {

using BindT = std::function<void(SqlStmtI&)>;
using RowFnT = std::function<void(SqlStmtI&)>;

bool Rows(SqlDbI& db, const char* sql, const BindT& bind, const RowFnT& row, std::string* why) {
  std::unique_ptr<SqlStmtI> s = db.Prepare(sql);
  if (s != nullptr) {
    bind(*s);
    StepE r;
    while ((r = s->Step()) == StepE::Row) row(*s);
    if (r == StepE::Done) return true;
  }
  *why = db.errorText();
  return false;
}

std::vector<std::string> Texts(SqlStmtI& s, int n) {
  std::vector<std::string> out;
  for (int i = 0; i < n; ++i) out.push_back(s.ColumnText(i));
  return out;
}

std::string UserOf(const std::string& name, const std::string& domain) {
  return domain.empty() ? name : name + "@" + domain;
}

// A stored subtree's first line without its indentation and tag: the item's attributes.
std::string Summary(const std::string& xml) {
  size_t begin = xml.find('<'), end = xml.find('\n');
  if (begin == std::string::npos) return std::string();
  begin = xml.find_first_of(" />", begin);
  std::string line = xml.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
  while (!line.empty() && (line.back() == '>' || line.back() == '/')) line.pop_back();
  while (!line.empty() && line.front() == ' ') line.erase(0, 1);
  constexpr size_t c_Shown = 200;
  return line.size() > c_Shown ? line.substr(0, c_Shown) + "..." : line;
}

bool Below(const std::string& version, const std::string& type, const std::string& limit) {
  if (type == "DEB") return pkg::CompareDebianVersions(version, limit) < 0;
  return PackageVersionC(version).compare(PackageVersionC(limit)) < 0;
}

struct ChainRowT {
  int64_t id = 0, lastDoc = 0;
  std::string name;  // audience, configuration and user, for the answers
};

bool ChainsOf(SqlDbI& db, const std::string& machine, const QueryOptionsT& o, bool filter, std::vector<ChainRowT>* out,
              std::string* why) {
  const bool ok = Rows(
      db,
      "SELECT id, COALESCE(last_doc, 0), audience, configuration, user_name, user_domain FROM chains "
      "WHERE machine_name = ? ORDER BY audience, configuration, user_name, user_domain",
      [&](SqlStmtI& s) { s.BindText(1, machine); },
      [&](SqlStmtI& s) {
        const std::string audience = s.ColumnText(2), configuration = s.ColumnText(3), user = s.ColumnText(4);
        if (filter && (configuration != o.configuration || (o.user.empty() ? audience != "Machine" : user != o.user)))
          return;
        std::string name = audience;
        if (!configuration.empty()) name += " " + configuration;
        if (audience == "User") name += " " + UserOf(user, s.ColumnText(5));
        out->push_back({s.ColumnInt(0), s.ColumnInt(1), name});
      },
      why);
  if (ok && out->empty()) *why = "no chain of machine \"" + machine + "\"" + (filter ? " with that configuration and user" : "");
  return ok && !out->empty();
}

bool ReadTime(const std::string& text, const QueryOptionsT& o, int64_t* out, std::string* why) {
  time_t t = 0;
  if (!ParseLocalTime(text, o.dateFormat, &t)) {
    *why = "\"" + text + "\" does not read as " + o.dateFormat;
    return false;
  }
  *out = t;
  return true;
}

// The applied document the state at `at` stands on (the last one when at is empty); 0 for none.
bool DocumentAt(SqlDbI& db, const ChainRowT& chain, const std::string& at, const QueryOptionsT& o, int64_t* doc,
                std::string* why) {
  *doc = 0;
  if (at.empty()) {
    *doc = chain.lastDoc;
    return true;
  }
  int64_t t = 0;
  return ReadTime(at, o, &t, why) &&
         Rows(db,
              "SELECT id FROM documents WHERE chain = ? AND outcome = 'applied' AND doc_time <= ? "
              "ORDER BY doc_time DESC, file_time DESC, id DESC LIMIT 1",
              [&](SqlStmtI& s) {
                s.BindInt(1, chain.id);
                s.BindInt(2, t);
              },
              [&](SqlStmtI& s) { *doc = s.ColumnInt(0); }, why);
}

// The root of the state at `doc`: the last full inventory's attributes with doc's DateTime.
bool RootAt(SqlDbI& db, const ChainRowT& chain, int64_t doc, std::string* root, std::string* why) {
  std::string dateTime;
  const bool ok =
      Rows(db,
           "SELECT root_xml FROM documents WHERE chain = ? AND type = 'Full' AND outcome = 'applied' AND id <= ? "
           "ORDER BY id DESC LIMIT 1",
           [&](SqlStmtI& s) {
             s.BindInt(1, chain.id);
             s.BindInt(2, doc);
           },
           [&](SqlStmtI& s) { *root = s.ColumnText(0); }, why) &&
      Rows(db, "SELECT date_time FROM documents WHERE id = ?", [&](SqlStmtI& s) { s.BindInt(1, doc); },
           [&](SqlStmtI& s) { dateTime = s.ColumnText(0); }, why);
  if (!ok) return false;
  const size_t at = root->find(" DateTime=\"");
  if (at != std::string::npos) {
    const size_t value = at + 11, end = root->find('"', value);
    std::string escaped;
    XmlOutputStreamC::escapeAttrVal(dateTime, escaped);
    root->replace(value, end - value, escaped);
  }
  return true;
}

}  // namespace

bool AskMachines(SqlDbI& db, TableT* out, std::string* why) {
  out->columns = {"Machine", "Audience", "Configuration", "User", "DateTime", "Type", "Generation", "Entities", "State"};
  return Rows(
      db,
      "SELECT c.machine_name, c.audience, c.configuration, c.user_name, c.user_domain, COALESCE(d.date_time, ''), "
      "COALESCE(d.type, ''), COALESCE(d.generation, ''), "
      "(SELECT COUNT(*) FROM item_versions v WHERE v.chain = c.id AND v.last_doc IS NULL), c.stale "
      "FROM chains c LEFT JOIN documents d ON d.id = c.last_doc "
      "ORDER BY c.machine_name, c.audience, c.configuration, c.user_name, c.user_domain",
      [](SqlStmtI&) {},
      [&](SqlStmtI& s) {
        std::vector<std::string> r = Texts(s, 9);
        r[3] = UserOf(r[3], r[4]);
        r.erase(r.begin() + 4);
        r.push_back(s.ColumnInt(9) != 0 ? "stale" : "");
        out->rows.push_back(std::move(r));
      },
      why);
}

bool AskPackages(SqlDbI& db, const std::string& name, const std::string& below, TableT* out, std::string* why) {
  out->columns = {"Machine", "Configuration", "Name", "Version", "Type"};
  return Rows(
      db,
      "SELECT c.machine_name, c.configuration, p.name, p.version, p.type FROM packages p "
      "JOIN chains c ON c.id = p.chain WHERE p.name = ? ORDER BY c.machine_name, c.configuration, p.version",
      [&](SqlStmtI& s) { s.BindText(1, name); },
      [&](SqlStmtI& s) {
        std::vector<std::string> r = Texts(s, 5);
        if (below.empty() || Below(r[3], r[4], below)) out->rows.push_back(std::move(r));
      },
      why);
}

bool AskFiles(SqlDbI& db, const std::string& md5, TableT* out, std::string* why) {
  out->columns = {"Machine", "Configuration", "Path", "Size"};
  std::string key = md5;
  for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return Rows(
      db,
      "SELECT c.machine_name, c.configuration, f.path, f.size FROM files f JOIN chains c ON c.id = f.chain "
      "WHERE f.md5 = ? ORDER BY c.machine_name, c.configuration, f.path",
      [&](SqlStmtI& s) { s.BindText(1, key); }, [&](SqlStmtI& s) { out->rows.push_back(Texts(s, 4)); }, why);
}

bool AskHardware(SqlDbI& db, const std::string& cls, TableT* out, std::string* why) {
  out->columns = {"Machine", "Configuration", "Name", "Properties"};
  bool unreadable = false;
  const bool asked = Rows(
      db,
      "SELECT c.machine_name, c.configuration, h.name, v.xml FROM hardware h JOIN chains c ON c.id = h.chain "
      "JOIN item_versions v ON v.id = h.item_version WHERE h.class = ? ORDER BY c.machine_name, c.configuration, h.name, v.id",
      [&](SqlStmtI& s) { s.BindText(1, cls); },
      [&](SqlStmtI& s) {
        std::vector<std::string> row = Texts(s, 3);
        EntityT entity;
        unreadable = unreadable || !ReadStoredEntity(s.ColumnText(3), &entity);
        std::string properties;
        for (const auto& [name, value] : entity.properties) properties += (properties.empty() ? "" : "; ") + name + "=" + value;
        row.push_back(properties);
        out->rows.push_back(std::move(row));
      },
      why);
  if (asked && unreadable) *why = "a stored subtree of class " + cls + " does not read back";
  return asked && !unreadable;
}

bool AskChanges(SqlDbI& db, const std::string& machine, const std::string& since, const QueryOptionsT& o, TableT* out,
                std::string* why) {
  out->columns = {"Chain", "DateTime", "Document", "Change", "Tag", "Item"};
  std::vector<ChainRowT> chains;
  int64_t from = 0;
  if (!ChainsOf(db, machine, o, false, &chains, why) || (!since.empty() && !ReadTime(since, o, &from, why))) return false;
  for (const ChainRowT& chain : chains) {
    struct DocT {
      int64_t id;
      std::vector<std::string> head;
    };
    std::vector<DocT> docs;
    if (!Rows(db,
              "SELECT id, date_time, type, generation, outcome FROM documents WHERE chain = ? AND doc_time >= ? "
              "ORDER BY doc_time, file_time, id",
              [&](SqlStmtI& s) {
                s.BindInt(1, chain.id);
                s.BindInt(2, from);
              },
              [&](SqlStmtI& s) {
                const std::string gen = s.ColumnText(3), outcome = s.ColumnText(4);
                std::string kind = s.ColumnText(2) + (gen.empty() ? "" : " " + gen);
                if (outcome != "applied") kind += " (" + outcome + ")";
                docs.push_back({s.ColumnInt(0), {chain.name, s.ColumnText(1), kind}});
              },
              why))
      return false;
    for (const DocT& d : docs) {
      // Per item: made and retired by this document is an update.
      std::map<std::string, std::pair<int, std::pair<std::string, std::string>>> items;
      auto collect = [&](int bit) {
        return [&, bit](SqlStmtI& s) {
          auto& item = items[s.ColumnText(0)];
          if (item.first == 0 || bit == 1) item.second = {s.ColumnText(1), Summary(s.ColumnText(2))};
          item.first |= bit;
        };
      };
      auto bind = [&](SqlStmtI& s) {
        s.BindInt(1, chain.id);
        s.BindInt(2, d.id);
      };
      if (!Rows(db, "SELECT flat, tag, xml FROM item_versions WHERE chain = ? AND first_doc = ? ORDER BY id", bind,
                collect(1), why) ||
          !Rows(db, "SELECT flat, tag, xml FROM item_versions WHERE chain = ? AND last_doc = ? ORDER BY id", bind,
                collect(2), why))
        return false;
      if (items.empty()) out->rows.push_back({d.head[0], d.head[1], d.head[2], "", "", ""});
      static const char* const c_Change[] = {"", "added", "removed", "updated"};
      for (const auto& [flat, item] : items)
        out->rows.push_back({d.head[0], d.head[1], d.head[2], c_Change[item.first], item.second.first, item.second.second});
    }
  }
  return true;
}

bool AskShow(SqlDbI& db, const std::string& machine, const std::string& at, bool hxi, const QueryOptionsT& o,
             TableT* out, std::string* document, std::string* why) {
  std::vector<ChainRowT> chains;
  const bool filter = hxi || !o.configuration.empty() || !o.user.empty();
  if (!ChainsOf(db, machine, o, filter, &chains, why)) return false;
  out->columns = {"Chain", "Tag", "Item"};
  for (const ChainRowT& chain : chains) {
    int64_t doc = 0;
    if (!DocumentAt(db, chain, at, o, &doc, why)) return false;
    if (doc == 0) {
      *why = "no document of " + machine + " (" + chain.name + ") applied by then";
      return false;
    }
    std::string root;
    if (hxi && !RootAt(db, chain, doc, &root, why)) return false;
    if (hxi) *document = DocumentHead(root);
    if (!Rows(db,
              "SELECT tag, xml FROM item_versions WHERE chain = ? AND first_doc <= ? "
              "AND (last_doc IS NULL OR last_doc > ?) ORDER BY id",
              [&](SqlStmtI& s) {
                s.BindInt(1, chain.id);
                s.BindInt(2, doc);
                s.BindInt(3, doc);
              },
              [&](SqlStmtI& s) {
                if (hxi) *document += s.ColumnText(1);
                else out->rows.push_back({chain.name, s.ColumnText(0), Summary(s.ColumnText(1))});
              },
              why))
      return false;
    if (hxi) *document += c_DocumentTail;
  }
  return true;
}

}  // namespace hxc
