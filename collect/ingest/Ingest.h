#pragma once
// Stores read documents into their chains, several in one transaction.
//
// Items are what the agent's delta makes of top-level entities: the entities of one flat
// digest form one item, changed when the multiset of their deep digests differs. A full
// inventory replaces the chain's state: items it holds unchanged stay the versions they were,
// the others are retired and made anew, and the chain is no longer stale. A delta is checked
// against its base before anything is written (every removed and updated item there, no
// added one there already); one that does not fit, or that comes while the chain is stale or
// has no full inventory yet, is not applied and marks the chain stale. The base is the state
// at the chain's last full inventory (the agent's default: each delta against the last full,
// so the state is that full with the latest delta applied), or with `incremental` the current
// state (each delta against the one before it).
//
// A file already taken (the same SHA-256) is recognised and not applied again; a document not
// newer than the chain's last one (DateTime, then file time) is recorded as late and not
// applied.

#include <string>
#include <vector>

#include "collect/read/DocumentFile.h"
#include "collect/read/DocumentInfo.h"
#include "collect/read/DocumentReader.h"
#include "collect/store/SqlDb.h"

namespace hxc {

struct IngestOptionsT {
  bool incremental = false;
  std::string dateFormat = c_DefaultDateFormat;
};

// A document read whole, ready to be stored.
struct LoadedDocT {
  std::string name;  // the file's name, for the record
  RootT root;
  DocumentInfoT info;
  std::vector<EntityT> entities;
  FileFactsT facts;
};

// Reads a document file (or bytes) whole; false with *why when it cannot be taken.
bool LoadDocumentFile(int dirFd, const std::string& name, const IngestOptionsT& options, LoadedDocT* doc,
                      std::string* why);
bool LoadDocumentBytes(const std::string& bytes, const IngestOptionsT& options, LoadedDocT* doc, std::string* why);

enum class OutcomeE { Applied, Duplicate, Late, Pending, Failed };
const char* OutcomeName(OutcomeE outcome);

// The chain's last document (0 for none yet); false when the chain is not there or cannot be
// read.
HX_NODISCARD bool ChainLastDocument(SqlDbI& db, const ChainKeyT& chain, int64_t* lastDoc);

// Documents stored in one transaction: nothing is kept unless Commit succeeds, and one commit,
// one wait for the disk, serves the whole batch. A document that fails spoils the batch
// (nothing of it may be committed: part of the document may be written, or the engine may
// have ended the transaction itself); whoever stores rolls back and stores the others again
// in a new batch. No savepoint per document: the engine would copy every page a document
// touches before changing it, for a failure that hardly ever comes.
class DocumentBatchC {
 public:
  explicit DocumentBatchC(SqlDbI& db) : db_(db) {}
  HX_NODISCARD bool Begin(std::string* why);
  // Failed (with *why) spoils the batch. Pending says why the delta does not fit, and puts in
  // *chainLastDoc (when given) the chain's last document as seen under the chain's lock.
  HX_NODISCARD OutcomeE Store(const LoadedDocT& doc, const IngestOptionsT& options, std::string* why,
                              int64_t* chainLastDoc = nullptr);
  // False (with *why): nothing of the batch was stored.
  HX_NODISCARD bool Commit(std::string* why);
  // Nothing of the batch is stored.
  void Rollback();

 private:
  SqlDbI& db_;
  bool spoiled_ = false;
};

}  // namespace hxc
