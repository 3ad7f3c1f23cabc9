#include "collect/ingest/Ingest.h"

#include <fcntl.h>

#include <algorithm>
#include <ctime>
#include <memory>
#include <unordered_map>
#include <unordered_set>

namespace hxc {

namespace {

using KeySetT = std::unordered_set<TrkDigestKeyT, TrkDigestKeyHashT>;

// Keeps the whole document in memory, with its root judged as it arrives.
class LoadSinkC : public DocumentSinkI {
 public:
  LoadSinkC(LoadedDocT& doc, const IngestOptionsT& options) : doc_(doc), options_(options) {}
  hx::ResultT OnRoot(const RootT& root) override {
    doc_.root = root;
    return JudgeRoot(root, options_.dateFormat, &doc_.info, &why) ? hx::RC_OK : hx::RC_FAIL;
  }
  hx::ResultT OnEntity(EntityT&& entity) override {
    doc_.entities.push_back(std::move(entity));
    return hx::RC_OK;
  }
  std::string why;

 private:
  LoadedDocT& doc_;
  const IngestOptionsT& options_;
};

bool Loaded(hx::ResultT rc, const LoadSinkC& sink, std::string* why) {
  if (hx::Succeeded(rc)) return true;
  if (!sink.why.empty()) *why = sink.why;
  return false;
}

// The table a stored entity's tag derives rows into (what the questions look up), if any.
enum class DerivedE { None, Packages, Files, Hardware };

DerivedE DerivedOf(const std::string& tag) {
  if (tag == "Package") return DerivedE::Packages;
  if (tag == "Content") return DerivedE::Files;
  return tag == "Hardware" ? DerivedE::Hardware : DerivedE::None;
}

// One stored entity of an item: its row, deep digest and derived table.
struct RowT {
  int64_t id = 0;
  TrkDigestKeyT deep;
  DerivedE derived = DerivedE::None;
};

bool SameItem(std::vector<TrkDigestKeyT> a, std::vector<TrkDigestKeyT> b) {
  auto less = [](const TrkDigestKeyT& x, const TrkDigestKeyT& y) { return x.hi != y.hi ? x.hi < y.hi : x.lo < y.lo; };
  std::sort(a.begin(), a.end(), less);
  std::sort(b.begin(), b.end(), less);
  return a == b;
}

TrkDigestKeyT KeyOf(const std::string& hex) {
  TrkDigestKeyT key{};
  // The database holds only keys written from digests; a damaged one stays zero and matches
  // no item.
  HX_IGNORE_RESULT(TrkDigestKeyT::FromHex(hex, &key));
  return key;
}

const std::string& AttrOf(const EntityT& e, const char* name) {
  static const std::string s_empty;
  for (const auto& [n, v] : e.attrs) {
    if (n == name) return v;
  }
  return s_empty;
}

// A chain found by its key: the condition, and its five values bound from the first slot on.
constexpr const char* c_ChainKeyIs =
    "machine_name = ? AND audience = ? AND configuration = ? AND user_name = ? AND user_domain = ?";

void BindChainKey(SqlStmtI& s, const ChainKeyT& k) {
  s.BindText(1, k.machine);
  s.BindText(2, k.audience);
  s.BindText(3, k.configuration);
  s.BindText(4, k.userName);
  s.BindText(5, k.userDomain);
}

// The statements of one document's transaction.
class WriterC {
 public:
  WriterC(SqlDbI& db, std::string* why) : db_(db), why_(why) {}

  bool Run(SqlStmtI* s) {
    StepE r;
    while ((r = s->Step()) == StepE::Row) {
    }
    s->Reset();
    return r == StepE::Done || Fail();
  }
  bool Fail() {
    if (why_->empty()) *why_ = db_.errorText();
    return false;
  }
  SqlStmtI* Stmt(std::unique_ptr<SqlStmtI>& slot, const char* sql) {
    if (slot == nullptr) slot = db_.Prepare(sql);
    if (slot == nullptr) Fail();
    return slot.get();
  }

  struct ChainT {
    int64_t id = 0;
    bool stale = false;
    int64_t lastFull = 0, lastDoc = 0;
  };

  bool FindChain(const ChainKeyT& k, ChainT* chain) {
    SqlStmtI* ins = Stmt(insChain_,
                         "INSERT INTO chains (machine_name, audience, configuration, user_name, user_domain) "
                         "VALUES (?, ?, ?, ?, ?) ON CONFLICT (machine_name, audience, configuration, user_name, "
                         "user_domain) DO NOTHING");
    SqlStmtI* sel = Stmt(selChain_, (std::string("SELECT id FROM chains WHERE ") + c_ChainKeyIs).c_str());
    if (ins == nullptr || sel == nullptr) return false;
    BindChainKey(*ins, k);
    BindChainKey(*sel, k);
    if (!Run(ins)) return false;
    if (sel->Step() != StepE::Row) return Fail();
    chain->id = sel->ColumnInt(0);
    sel->Reset();
    // Read again under the chain's lock: another collector may have just moved it on.
    if (hx::Failed(db_.LockChain(chain->id))) return Fail();
    SqlStmtI* state = Stmt(selState_, "SELECT stale, last_full, last_doc FROM chains WHERE id = ?");
    if (state == nullptr) return false;
    state->BindInt(1, chain->id);
    if (state->Step() != StepE::Row) return Fail();
    chain->stale = state->ColumnInt(0) != 0;
    chain->lastFull = state->IsNull(1) ? 0 : state->ColumnInt(1);
    chain->lastDoc = state->IsNull(2) ? 0 : state->ColumnInt(2);
    state->Reset();
    return true;
  }

  // Whether a document with this digest was taken before.
  bool Known(const std::string& sha256, bool* known) {
    SqlStmtI* s = Stmt(selSha_, "SELECT id FROM documents WHERE sha256 = ?");
    if (s == nullptr) return false;
    s->BindText(1, sha256);
    const StepE r = s->Step();
    s->Reset();
    *known = r == StepE::Row;
    return r != StepE::Error || Fail();
  }

  // The DateTime and file time of a document.
  bool Times(int64_t doc, std::pair<int64_t, int64_t>* times) {
    SqlStmtI* s = Stmt(selTimes_, "SELECT doc_time, file_time FROM documents WHERE id = ?");
    if (s == nullptr) return false;
    s->BindInt(1, doc);
    if (s->Step() != StepE::Row) return Fail();
    *times = {s->ColumnInt(0), s->ColumnInt(1)};
    s->Reset();
    return true;
  }

  bool AddDocument(int64_t chain, const LoadedDocT& d, OutcomeE outcome, int64_t* id) {
    SqlStmtI* s = Stmt(insDoc_,
                       "INSERT INTO documents (chain, sha256, file_name, date_time, doc_time, file_time, type, "
                       "generation, outcome, root_xml, ingested) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) RETURNING id");
    if (s == nullptr) return false;
    s->BindInt(1, chain);
    s->BindText(2, d.facts.sha256);
    s->BindText(3, d.name);
    s->BindText(4, d.info.dateTime);
    s->BindInt(5, d.info.docTime);
    s->BindInt(6, d.facts.mtime);
    s->BindText(7, d.info.delta ? "Difference" : "Full");
    s->BindText(8, d.info.generation);
    s->BindText(9, OutcomeName(outcome));
    s->BindText(10, RootAttributesXml(d.root.attrs));
    s->BindInt(11, static_cast<int64_t>(::time(nullptr)));
    if (s->Step() != StepE::Row) return Fail();
    *id = s->ColumnInt(0);
    s->Reset();
    return true;
  }

  bool SetChain(const ChainT& c) {
    SqlStmtI* s = Stmt(updChain_, "UPDATE chains SET stale = ?, last_full = ?, last_doc = ? WHERE id = ?");
    if (s == nullptr) return false;
    s->BindInt(1, c.stale ? 1 : 0);
    c.lastFull != 0 ? s->BindInt(2, c.lastFull) : s->BindNull(2);
    c.lastDoc != 0 ? s->BindInt(3, c.lastDoc) : s->BindNull(3);
    s->BindInt(4, c.id);
    return Run(s);
  }

  // The current rows of every item of the chain.
  bool Current(int64_t chain, std::unordered_map<TrkDigestKeyT, std::vector<RowT>, TrkDigestKeyHashT>* items) {
    std::unique_ptr<SqlStmtI> s =
        db_.Prepare("SELECT id, flat, deep, tag FROM item_versions WHERE chain = ? AND last_doc IS NULL ORDER BY id");
    if (s == nullptr) return Fail();
    s->BindInt(1, chain);
    StepE r;
    while ((r = s->Step()) == StepE::Row)
      (*items)[KeyOf(s->ColumnText(1))].push_back({s->ColumnInt(0), KeyOf(s->ColumnText(2)), DerivedOf(s->ColumnText(3))});
    return r == StepE::Done || Fail();
  }

  // The rows of one item: current ones (at 0), or those alive after document `at`, with their
  // subtrees when xml is given.
  bool Item(int64_t chain, const TrkDigestKeyT& flat, int64_t at, std::vector<RowT>* rows,
            std::vector<std::string>* xml = nullptr) {
    SqlStmtI* s = at == 0 ? Stmt(selCur_, "SELECT id, deep, xml, tag FROM item_versions WHERE chain = ? AND flat = ? "
                                          "AND last_doc IS NULL ORDER BY id")
                          : Stmt(selAt_, "SELECT id, deep, xml, tag FROM item_versions WHERE chain = ? AND flat = ? "
                                         "AND first_doc <= ? AND (last_doc IS NULL OR last_doc > ?) ORDER BY id");
    if (s == nullptr) return false;
    s->BindInt(1, chain);
    s->BindText(2, flat.Hex());
    if (at != 0) {
      s->BindInt(3, at);
      s->BindInt(4, at);
    }
    StepE r;
    while ((r = s->Step()) == StepE::Row) {
      rows->push_back({s->ColumnInt(0), KeyOf(s->ColumnText(1)), DerivedOf(s->ColumnText(3))});
      if (xml != nullptr) xml->push_back(s->ColumnText(2));
    }
    s->Reset();
    return r == StepE::Done || Fail();
  }

  // The items made or retired after document `since`.
  bool ChangedSince(int64_t chain, int64_t since, std::vector<TrkDigestKeyT>* keys) {
    std::unique_ptr<SqlStmtI> s = db_.Prepare(
        "SELECT flat FROM item_versions WHERE chain = ? AND first_doc > ? "
        "UNION SELECT flat FROM item_versions WHERE chain = ? AND last_doc > ?");
    if (s == nullptr) return Fail();
    s->BindInt(1, chain);
    s->BindInt(2, since);
    s->BindInt(3, chain);
    s->BindInt(4, since);
    StepE r;
    while ((r = s->Step()) == StepE::Row) keys->push_back(KeyOf(s->ColumnText(0)));
    return r == StepE::Done || Fail();
  }

  bool Retire(const RowT& row, int64_t doc) {
    SqlStmtI* s = Stmt(retire_, "UPDATE item_versions SET last_doc = ? WHERE id = ?");
    if (s == nullptr) return false;
    s->BindInt(1, doc);
    s->BindInt(2, row.id);
    if (!Run(s)) return false;
    // Only the table the row's tag derived into holds rows of it: a probe of the others would
    // read index pages for nothing.
    const char* del[] = {"DELETE FROM packages WHERE item_version = ?", "DELETE FROM files WHERE item_version = ?",
                         "DELETE FROM hardware WHERE item_version = ?"};
    if (row.derived == DerivedE::None) return true;
    const size_t i = static_cast<size_t>(row.derived) - 1;
    SqlStmtI* d = Stmt(delDerived_[i], del[i]);
    if (d == nullptr) return false;
    d->BindInt(1, row.id);
    return Run(d);
  }

  bool Insert(int64_t chain, const EntityT& e, int64_t ordinal, int64_t doc) {
    SqlStmtI* s = Stmt(insVersion_,
                       "INSERT INTO item_versions (chain, flat, deep, ordinal, tag, xml, first_doc) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?) RETURNING id");
    if (s == nullptr) return false;
    s->BindInt(1, chain);
    s->BindText(2, e.flat.Hex());
    s->BindText(3, e.deep.Hex());
    s->BindInt(4, ordinal);
    s->BindText(5, e.tag);
    s->BindText(6, e.xml);
    s->BindInt(7, doc);
    if (s->Step() != StepE::Row) return Fail();
    const int64_t id = s->ColumnInt(0);
    s->Reset();
    return Derive(chain, e, id);
  }

 private:
  // What the questions look up: packages by name, files by digest, hardware by class.
  bool Derive(int64_t chain, const EntityT& e, int64_t id) {
    const DerivedE derived = DerivedOf(e.tag);
    if (derived == DerivedE::Packages) {
      SqlStmtI* s = Stmt(insPkg_, "INSERT INTO packages (item_version, chain, name, version, type) VALUES (?, ?, ?, ?, ?)");
      if (s == nullptr) return false;
      s->BindInt(1, id);
      s->BindInt(2, chain);
      s->BindText(3, AttrOf(e, "Name"));
      s->BindText(4, AttrOf(e, "Version"));
      s->BindText(5, AttrOf(e, "Evidence"));
      return Run(s);
    }
    if (derived == DerivedE::Hardware) {
      SqlStmtI* s = Stmt(insHw_, "INSERT INTO hardware (item_version, chain, class, name) VALUES (?, ?, ?, ?)");
      if (s == nullptr) return false;
      s->BindInt(1, id);
      s->BindInt(2, chain);
      s->BindText(3, AttrOf(e, "Class"));
      s->BindText(4, AttrOf(e, "Name"));
      return Run(s);
    }
    if (derived != DerivedE::Files) return true;
    SqlStmtI* s = Stmt(insFile_, "INSERT INTO files (item_version, chain, md5, size, path) VALUES (?, ?, ?, ?, ?)");
    if (s == nullptr) return false;
    const std::vector<std::string> none{std::string()};
    for (const std::string& path : e.paths.empty() ? none : e.paths) {
      s->BindInt(1, id);
      s->BindInt(2, chain);
      s->BindText(3, AttrOf(e, "MD5"));
      s->BindText(4, AttrOf(e, "Size"));
      s->BindText(5, path);
      if (!Run(s)) return false;
    }
    return true;
  }

  SqlDbI& db_;
  std::string* why_;
  std::unique_ptr<SqlStmtI> insChain_, selChain_, selState_, selSha_, selTimes_, insDoc_, updChain_, selCur_, selAt_,
      retire_, delDerived_[3], insVersion_, insPkg_, insHw_, insFile_;
};

// The entities of a document grouped into items, keys in the order they first appear.
struct ItemsT {
  std::vector<TrkDigestKeyT> keys;
  std::unordered_map<TrkDigestKeyT, std::vector<const EntityT*>, TrkDigestKeyHashT> entities;
  void Add(const EntityT& e) {
    auto [it, fresh] = entities.try_emplace(e.flat);
    if (fresh) keys.push_back(e.flat);
    it->second.push_back(&e);
  }
};

std::vector<TrkDigestKeyT> Deeps(const std::vector<const EntityT*>& entities) {
  std::vector<TrkDigestKeyT> out;
  for (const EntityT* e : entities) out.push_back(e->deep);
  return out;
}

std::vector<TrkDigestKeyT> Deeps(const std::vector<RowT>& rows) {
  std::vector<TrkDigestKeyT> out;
  for (const RowT& r : rows) out.push_back(r.deep);
  return out;
}

// Makes the item's current rows those of `wanted`, unless they already are.
bool Replace(WriterC& w, int64_t chain, int64_t doc, const std::vector<RowT>& current,
             const std::vector<const EntityT*>& wanted) {
  if (SameItem(Deeps(current), Deeps(wanted))) return true;
  for (const RowT& r : current) {
    if (!w.Retire(r, doc)) return false;
  }
  for (size_t i = 0; i < wanted.size(); ++i) {
    if (!w.Insert(chain, *wanted[i], static_cast<int64_t>(i), doc)) return false;
  }
  return true;
}

bool ApplyFull(WriterC& w, int64_t chain, int64_t doc, const LoadedDocT& d) {
  ItemsT items;
  for (const EntityT& e : d.entities) items.Add(e);
  std::unordered_map<TrkDigestKeyT, std::vector<RowT>, TrkDigestKeyHashT> current;
  if (!w.Current(chain, &current)) return false;
  static const std::vector<RowT> s_none;
  for (const TrkDigestKeyT& k : items.keys) {
    const auto it = current.find(k);
    if (!Replace(w, chain, doc, it != current.end() ? it->second : s_none, items.entities[k])) return false;
  }
  for (const auto& [k, rows] : current) {
    if (items.entities.count(k) != 0) continue;
    for (const RowT& r : rows) {
      if (!w.Retire(r, doc)) return false;
    }
  }
  return true;
}

// Checks the delta against its base (the state after document `base`, 0 for the current
// one); false with *misfit naming what does not fit.
bool Fits(WriterC& w, int64_t chain, int64_t base, const LoadedDocT& d, bool* fits, std::string* misfit) {
  std::unordered_map<TrkDigestKeyT, SectionE, TrkDigestKeyHashT> seen;
  *fits = false;
  for (const EntityT& e : d.entities) {
    const auto [it, fresh] = seen.try_emplace(e.flat, e.section);
    if (!fresh) {
      if (it->second == e.section) continue;
      *misfit = "item " + e.flat.Hex() + " is in two sections";
      return true;
    }
    std::vector<RowT> rows;
    if (!w.Item(chain, e.flat, base, &rows)) return false;
    if (rows.empty() != (e.section == SectionE::Add)) {
      *misfit = std::string(e.section == SectionE::Add ? "added item already there: " : "item not in its base: ") + e.tag +
                " " + e.flat.Hex();
      return true;
    }
  }
  *fits = true;
  return true;
}

bool ApplyDelta(WriterC& w, int64_t chain, int64_t doc, int64_t base, const LoadedDocT& d) {
  ItemsT items;  // Update and Add; a removed item wants nothing
  KeySetT removed;
  for (const EntityT& e : d.entities) {
    if (e.section == SectionE::Remove) removed.insert(e.flat);
    else items.Add(e);
  }
  std::vector<TrkDigestKeyT> keys = items.keys;
  keys.insert(keys.end(), removed.begin(), removed.end());
  // Against the last full inventory, what the previous delta changed and this one does not
  // name goes back to the full inventory's form.
  std::vector<EntityT> revived;
  std::vector<TrkDigestKeyT> back;
  if (base != 0 && !w.ChangedSince(chain, base, &back)) return false;
  std::unordered_map<TrkDigestKeyT, std::vector<const EntityT*>, TrkDigestKeyHashT> baseItems;
  for (const TrkDigestKeyT& k : back) {
    if (items.entities.count(k) != 0 || removed.count(k) != 0) continue;
    std::vector<RowT> rows;
    std::vector<std::string> xml;
    if (!w.Item(chain, k, base, &rows, &xml)) return false;
    revived.reserve(revived.size() + xml.size());
    for (const std::string& x : xml) {
      revived.emplace_back();
      if (!ReadStoredEntity(x, &revived.back())) return false;
    }
    keys.push_back(k);
  }
  for (const EntityT& e : revived) baseItems[e.flat].push_back(&e);
  static const std::vector<const EntityT*> s_none;
  for (const TrkDigestKeyT& k : keys) {
    std::vector<RowT> current;
    if (!w.Item(chain, k, 0, &current)) return false;
    const auto it = items.entities.find(k);
    const auto old = baseItems.find(k);
    const std::vector<const EntityT*>& wanted =
        it != items.entities.end() ? it->second : old != baseItems.end() ? old->second : s_none;
    if (!Replace(w, chain, doc, current, wanted)) return false;
  }
  return true;
}

OutcomeE StoreInto(WriterC& w, const LoadedDocT& d, const IngestOptionsT& options, std::string* why,
                   int64_t* heldAt) {
  WriterC::ChainT chain;
  bool known = false;
  if (!w.FindChain(d.info.chain, &chain) || !w.Known(d.facts.sha256, &known)) return OutcomeE::Failed;
  if (known) return OutcomeE::Duplicate;
  int64_t doc = 0;
  if (chain.lastDoc != 0) {
    std::pair<int64_t, int64_t> last;
    if (!w.Times(chain.lastDoc, &last)) return OutcomeE::Failed;
    if (std::pair<int64_t, int64_t>(d.info.docTime, d.facts.mtime) <= last) {
      *why = "not newer than the chain's last document";
      return w.AddDocument(chain.id, d, OutcomeE::Late, &doc) ? OutcomeE::Late : OutcomeE::Failed;
    }
  }
  if (d.info.delta) {
    const int64_t base = options.incremental ? 0 : chain.lastFull;
    bool fits = false;
    if (chain.stale) *why = "the chain waits for a full inventory";
    else if (chain.lastFull == 0) *why = "the chain has no full inventory yet";
    else if (!Fits(w, chain.id, base, d, &fits, why)) return OutcomeE::Failed;
    if (!fits) {
      // Not recorded: the file waits and is tried again.
      chain.stale = true;
      *heldAt = chain.lastDoc;
      return w.SetChain(chain) ? OutcomeE::Pending : OutcomeE::Failed;
    }
    if (!w.AddDocument(chain.id, d, OutcomeE::Applied, &doc) || !ApplyDelta(w, chain.id, doc, base, d))
      return OutcomeE::Failed;
  } else {
    if (!w.AddDocument(chain.id, d, OutcomeE::Applied, &doc) || !ApplyFull(w, chain.id, doc, d)) return OutcomeE::Failed;
    chain.lastFull = doc;
    chain.stale = false;
  }
  chain.lastDoc = doc;
  return w.SetChain(chain) ? OutcomeE::Applied : OutcomeE::Failed;
}

}  // namespace

bool LoadDocumentFile(int dirFd, const std::string& name, const IngestOptionsT& options, LoadedDocT* doc,
                      std::string* why) {
  doc->name = name;
  LoadSinkC sink(*doc, options);
  return Loaded(ReadDocumentFile(dirFd, name, sink, &doc->facts, why), sink, why);
}

bool LoadDocumentBytes(const std::string& bytes, const IngestOptionsT& options, LoadedDocT* doc, std::string* why) {
  LoadSinkC sink(*doc, options);
  return Loaded(ReadDocumentBytes(bytes, sink, why), sink, why);
}

const char* OutcomeName(OutcomeE outcome) {
  switch (outcome) {
    case OutcomeE::Applied: return "applied";
    case OutcomeE::Duplicate: return "duplicate";
    case OutcomeE::Late: return "late";
    case OutcomeE::Pending: return "pending";
    case OutcomeE::Failed: break;
  }
  return "failed";
}

bool ChainLastDocument(SqlDbI& db, const ChainKeyT& k, int64_t* lastDoc) {
  std::unique_ptr<SqlStmtI> s = db.Prepare(std::string("SELECT last_doc FROM chains WHERE ") + c_ChainKeyIs);
  if (s == nullptr) return false;
  BindChainKey(*s, k);
  if (s->Step() != StepE::Row) return false;
  *lastDoc = s->IsNull(0) ? 0 : s->ColumnInt(0);
  return true;
}

bool DocumentBatchC::Begin(std::string* why) {
  if (hx::Succeeded(db_.Begin())) return true;
  *why = db_.errorText();
  Rollback();
  return false;
}

OutcomeE DocumentBatchC::Store(const LoadedDocT& doc, const IngestOptionsT& options, std::string* why,
                               int64_t* chainLastDoc) {
  if (spoiled_) {
    *why = "the transaction was spoiled by an earlier document";
    return OutcomeE::Failed;
  }
  std::string detail;
  WriterC w(db_, &detail);
  int64_t heldAt = 0;
  const OutcomeE outcome = StoreInto(w, doc, options, &detail, &heldAt);
  if (chainLastDoc != nullptr) *chainLastDoc = heldAt;
  *why = detail;
  spoiled_ = outcome == OutcomeE::Failed;
  return outcome;
}

bool DocumentBatchC::Commit(std::string* why) {
  if (!spoiled_ && hx::Succeeded(db_.Commit())) return true;
  *why = spoiled_ ? "a document of the transaction failed" : db_.errorText();
  Rollback();
  return false;
}

void DocumentBatchC::Rollback() {
  // A transaction the engine already ended (SQLite ends it on a full disk or an I/O error) has
  // nothing left to roll back; either way nothing of the batch stays.
  HX_IGNORE_RESULT(db_.Rollback());
}

}  // namespace hxc
