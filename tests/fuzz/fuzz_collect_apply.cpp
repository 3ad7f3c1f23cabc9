// Delta application of the collector against a model of it. The input is a chain of document
// bodies separated by NUL bytes: the first byte chooses the mode (odd: each delta against the
// state before it), each body becomes a full inventory (when it holds no <Remove>) or a delta,
// with increasing times. After every document, the items the database holds as current must be
// what the model holds: a full inventory replaces the state; a delta that fits its base (every
// removed and updated item there, no added one there, no item in two sections) replaces its
// items in the base, anything else leaves the state and makes the chain stale until the next
// full inventory.

#include <map>
#include <set>

#include "FuzzSupport.h"
#include "collect/ingest/Ingest.h"
#include "collect/store/Schema.h"
#include "collect/store/SqliteDb.h"

using hxfuzz::Check;

namespace {

using ItemsT = std::map<std::string, std::multiset<std::string>>;  // flat -> deeps

struct ModelT {
  ItemsT state, full;
  bool hasFull = false, stale = false;

  // Whether the delta was applied.
  bool Apply(const hxc::LoadedDocT& d, bool incremental) {
    if (!d.info.delta) {
      state.clear();
      for (const hxc::EntityT& e : d.entities) state[e.flat.Hex()].insert(e.deep.Hex());
      full = state;
      hasFull = true;
      stale = false;
      return true;
    }
    ItemsT next = incremental ? state : full;
    std::map<std::string, hxc::SectionE> section;
    ItemsT put;
    bool fits = hasFull && !stale;
    for (const hxc::EntityT& e : d.entities) {
      const std::string k = e.flat.Hex();
      const auto [it, fresh] = section.emplace(k, e.section);
      if (!fresh && it->second != e.section) fits = false;
      if (fresh && (next.count(k) != 0) != (e.section != hxc::SectionE::Add)) fits = false;
      if (e.section != hxc::SectionE::Remove) put[k].insert(e.deep.Hex());
    }
    if (!fits) {
      stale = true;
      return false;
    }
    for (const auto& [k, s] : section) next.erase(k);
    for (const auto& [k, deeps] : put) next[k] = deeps;
    state = next;
    return true;
  }
};

ItemsT Stored(hxc::SqlDbI& db) {
  ItemsT items;
  auto q = db.Prepare("SELECT flat, deep FROM item_versions WHERE last_doc IS NULL");
  Check(q != nullptr);
  hxc::StepE r;
  while ((r = q->Step()) == hxc::StepE::Row) items[q->ColumnText(0)].insert(q->ColumnText(1));
  Check(r == hxc::StepE::Done);
  return items;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  hxc::IngestOptionsT options;
  options.incremental = (data[0] & 1) != 0;
  std::string why;
  std::unique_ptr<hxc::SqlDbI> db = hxc::OpenSqlite(hxc::c_InMemory, &why);
  Check(db != nullptr && hx::Succeeded(hxc::EnsureSchema(*db, &why)));
  ModelT model;
  const std::string input = hxfuzz::Text(data + 1, size - 1);
  // The documents share one transaction, as a pass stores them: each is checked against the
  // model while the transaction is open, and the commit keeps them all.
  hxc::DocumentBatchC batch(*db);
  Check(batch.Begin(&why));
  size_t begin = 0;
  for (int n = 0; begin <= input.size() && n < 8; ++n) {
    size_t end = input.find('\0', begin);
    if (end == std::string::npos) end = input.size();
    const std::string body = input.substr(begin, end - begin);
    begin = end + 1;
    const bool delta = body.find("<Remove") != std::string::npos;
    const std::string doc = "<Inventory Audience=\"Machine\" MachineName=\"m\" DateTime=\"2026120" + std::to_string(n + 1) +
                            "T000000\" Type=\"" + (delta ? "Difference" : "Full") + "\">" + body + "</Inventory>";
    hxc::LoadedDocT loaded;
    if (!hxc::LoadDocumentBytes(doc, options, &loaded, &why)) continue;
    loaded.facts.sha256 = std::to_string(n);
    loaded.facts.mtime = n;
    const hxc::OutcomeE outcome = batch.Store(loaded, options, &why);
    Check(outcome == (model.Apply(loaded, options.incremental) ? hxc::OutcomeE::Applied : hxc::OutcomeE::Pending));
    Check(Stored(*db) == model.state);
  }
  Check(batch.Commit(&why));
  Check(Stored(*db) == model.state);
  return 0;
}
