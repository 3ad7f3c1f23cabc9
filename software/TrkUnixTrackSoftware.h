#pragma once
// TrkUnixTrackSoftwareC: file tracking on Unix. Before the walk it decides which mounted file
// systems may be walked (the valid-device set: a file or directory on any other device is
// neither entered nor tracked) and rebuilds the package database, which then names the
// product of every tracked file that a package owns.

#include <memory>
#include <unordered_set>

#include "packages/db/PackageDb.h"
#include "software/TrkTrackSoftware.h"

class TrkUnixTrackSoftwareC : public TrkTrackSoftwareC {
 public:
  static constexpr const char* c_ProductNameString = "ProductName";
  static constexpr const char* c_ProductVersionString = "ProductVersion";
  // The preference naming the database file (a shared agent preference).
  static constexpr const char* c_PackageDatabasePath = "PackageDatabasePath";

  using TrkTrackSoftwareC::TrkTrackSoftwareC;

  // Reads the mount table and keeps the devices of the file systems that may be walked,
  // logging the decision for each.
  void PopulateValidDevices();
  // Rebuilds the package database of the configured types; failures become log lines and the
  // run goes on.
  void UpdatePackageDatabase();

 protected:
  void PrepareWalk() override;
  bool IsOnWalkedDevice(const FileInfoC& info) const override;
  void AddVersionInformation(TrkInventoryEntityC* content, const std::string& path) override;
  // An installer registry met by the walk is read by every later listing of its kind.
  void OfferFile(const std::string& path) override;

 private:
  std::unordered_set<uint64_t> validDevices_;
  std::unique_ptr<PackageDbC> packageDb_;
};
