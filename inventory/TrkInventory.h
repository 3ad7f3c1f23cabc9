#pragma once
// TrkInventoryC: the inventory document. It is its own root entity ("Inventory") and adds the
// document faces: the component interface ZORHXTInventoryI, the XML document face through
// which the writer takes its prolog and root and the reader hands it top-level elements, and
// the delta against an earlier inventory file.
//
// A document read from a file does not link its top-level entities below the root: the reader
// enters each into the flat and the deep digest index instead (see addChild). The delta reads
// its base for the digests alone (TrkBaseInventory.h) and reads whole only what went away.

#include "foundation/core/FileName.h"
#include "foundation/core/Nodiscard.h"
#include "inventory/TrkInventoryEntity.h"
#include "inventory/TrkInventoryIndex.h"

#include <memory>

class TrkBaseInventoryC;
class TrkIndexBuilderC;

// The identity of a run as the root element carries it. The run driver fills it from its
// preferences (named beside each field); the document only decides which attribute is written
// when and in which order.
struct TrkInventoryHeaderT {
  StringC version;                   // "Tracker"        ("Version")
  StringC inventoryType;             // "Audience"       ("InventoryType": Machine or User)
  StringC fullQualifiedDomainName;   // "Scope"          ("FullQualifiedDomainName")
  StringC machineId;                 // "MachineName"    ("MachineId")
  StringC userId;                    // "UserName"       ("UserId")
  StringC userLogonDomain;           // "UserDomain"     ("UserLogonDomain"), when not empty
  StringC deviceId;                  // "DeviceID"       ("DeviceID"), full inventory only
  StringC job;                       // "JobTag"         ("job"), full inventory only
  bool expectHardware = false;       // "Hardware" = "True"
  bool expectSoftware = false;       // "Software" = "True"
  bool expectTrackFilesInUserInventory = false;  // "TrackFilesInUserInventory" = "True"
  StringC dateTime;                  // "DateTime"       ("DateTime")
  StringC configuration;             // "Configuration"  ("Configuration"), when not empty
  StringC generation;                // "Generation"     ("Generation"), delta only
};

class TrkInventoryC : public TrkInventoryEntityC, public ZORHXTInventoryI, public TrkXmlDocumentI {
 public:
  TrkInventoryC();
  // A new, empty document with its creation reference held by the result.
  static RefM<TrkInventoryC> New();

  // One count for every face.
  hx::ResultT QueryInterface(const ZORGUID& iid, void** out) override;
  unsigned long AddRef() override { return TrkInventoryEntityC::AddRef(); }
  unsigned long Release() override { return TrkInventoryEntityC::Release(); }

  // ZORHXTInventoryI.
  hx::ResultT GetRootEntity(ZORHXTInventoryEntityI** root) override;
  HX_NODISCARD hx::ResultT GetRootEntity(TrkInventoryEntityC** root);

  // The XML document face.
  XmlNodeI* getNode() override { return static_cast<TrkXmlParentI*>(this); }
  StringC getPublicId() const override;
  StringC getSystemId() const override;
  // A top-level element of a document being read: entered into the flat and deep indexes by
  // its digests, not linked below the root. (Trackers link entities with AddEntity.) The
  // indexes are complete once GetInventory answered.
  HX_NODISCARD hx::ResultT addChild(XmlNodeI* child) override;
  HX_NODISCARD hx::ResultT GetInventory(TrkInventoryC** inventory) override;

  // Root attributes of a full inventory: "Tracker" through "Configuration", then "Type" =
  // "Full". "FileScan" is set later by the contents phase.
  HX_NODISCARD hx::ResultT AddRootAttributes(const TrkInventoryHeaderT& header);
  // Root attributes of a delta: no "DeviceID", "JobTag" or "FileScan"; "Type" = "Difference"
  // and "Generation".
  HX_NODISCARD hx::ResultT AddDeltaRootAttributes(const TrkInventoryHeaderT& header);

  // The header GenerateDiff(base, delta) gives the delta document.
  void SetDeltaHeader(const TrkInventoryHeaderT& header) { deltaHeader_ = header; }
  // Builds the delta of this inventory against the inventory file `base`: a document with the
  // children "Remove", "Update" and "Add". Top-level entities that are new or changed move out
  // of this inventory into the delta. On success *delta holds one reference for the caller.
  HX_NODISCARD hx::ResultT GenerateDiff(const FileNameC& base, TrkInventoryC** delta);
  HX_NODISCARD hx::ResultT GenerateDiff(const FileNameC& base, const TrkInventoryHeaderT& header, TrkInventoryC** delta);
  // The same against a base read already (TrkBaseInventoryC::Read), which the delta uses up.
  HX_NODISCARD hx::ResultT GenerateDiff(TrkBaseInventoryC& base, const TrkInventoryHeaderT& header, TrkInventoryC** delta);

  // A "Hardware" child of the root (see TrkTrackC::AddClass).
  static RefM<TrkInventoryEntityC> AddClass(TrkInventoryC* inventory, const StringC& className, const StringC& name,
                                            const StringC& evidence);

  const TrkInventoryIndexC& GetFlatIndex() const { return flatIndex_; }
  const TrkInventoryIndexC& GetDeepIndex() const { return deepIndex_; }

 protected:
  ~TrkInventoryC() override;

 private:
  // The deep index holds the entities of a read document: it lists them in about the order they
  // were read and made, the order in which releasing them at the end is cheapest.
  TrkInventoryIndexC flatIndex_{false};
  TrkInventoryIndexC deepIndex_;
  std::unique_ptr<TrkIndexBuilderC> builder_;  // while the document is read; fills the indexes
  TrkInventoryHeaderT deltaHeader_;
};
