#pragma once
// The packages the agent itself delivered: TrkHxpTrackerC reads the agent's package cache
// (its stores: a user's private store, the public, callout and launcher stores) and
// TrkJavaHxpTrackerC the index of live packages. Each package taken becomes a "Package"
// element with the evidence "Tarvosk":
//
//   <Package Name="<title>" Evidence="Tarvosk" Version="2.1" InstallDate="20120105T142200">
//     <Property Name="PackageName" Value="editor"/>
//     <Property Name="Type" Value="Application"/>
//     <Property Name="Access" Value="Public"/>
//     <Property Name="ObjectId" Value="..."/>      when the package has one
//     <Property Name="PolicyGuid" Value="..."/>    idem
//   </Package>
//
// The layout of the cache and of the live directory is in docs/package-cache.md. Both belong
// to the agent: a directory or file that another user could have changed is not read.

#include <string>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "packages/trackers/OwnPackageReaders.h"
#include "packages/trackers/TrkTrackPkg.h"

class TrkHxpTrackerC : public TrkTrackC {
 public:
  static constexpr const char* c_sEvidence = "Tarvosk";
  // The Access of a package by the store that holds it.
  static constexpr const char* c_sPrivate = "Private";
  static constexpr const char* c_sPublic = "Public";
  static constexpr const char* c_sCallout = "Callout";
  static constexpr const char* c_sLauncher = "Launcher";
  // The package types, in the order they are tracked.
  static constexpr const char* c_sTypes[] = {"Application", "Schedule", "ClientSettings"};

  TrkHxpTrackerC(TrkPreferencesC& prefs, TrkPackageHostT host) : prefs_(prefs), host_(std::move(host)) {}

  // 0; 0x80000001 when TarvoskPackages is not set or the cache cannot be read, reported as
  // "Unknown error."; the cancellation when the user cancelled.
  HX_NODISCARD hx::ResultT Track(ZORHXTInventoryI* inventory);
  // The cached packages of one type under root.
  HX_NODISCARD hx::ResultT AddPackageType(TrkInventoryEntityC* root, const StringC& type);

  // The element of one own package (for both trackers).
  static void AddOwnPackage(TrkInventoryEntityC* root, const trk::OwnPackageT& package, const StringC& packageName,
                            const char* access);

 private:
  struct CachedT {
    trk::OwnPackageT package;
    const char* access;
  };
  // The packages of the stores the inventory kind asks for; false when the cache is refused.
  HX_NODISCARD bool ReadStores(std::vector<CachedT>* cached);

  TrkPreferencesC& prefs_;
  TrkPackageHostT host_;
  std::vector<CachedT> cached_;
  bool storesRead_ = false;
};

class TrkJavaHxpTrackerC : public TrkTrackC {
 public:
  static constexpr const char* c_IndexFile = "index/machine/index.xml";

  explicit TrkJavaHxpTrackerC(TrkPreferencesC& prefs) : prefs_(prefs) {}

  // 0 (also without an index); the failure to reach the root.
  HX_NODISCARD hx::ResultT Track(ZORHXTInventoryI* inventory);

 private:
  TrkPreferencesC& prefs_;
};
