#pragma once
// SMBiosDataC: one structure of the machine's SMBIOS (DMI) table as the dmidecode tool prints
// it: its handle, its structure type, its title and its named values.

#include <map>
#include <vector>

#include "foundation/core/RefCount.h"
#include "foundation/core/Text.h"

class SMBiosDataC : public RefCountC {
 public:
  static constexpr int c_TypeUnknown = -1;
  static constexpr const char* c_NameUnknown = "none";

  // The structure type (0 BIOS, 1 system, 3 chassis, ...); c_TypeUnknown until read.
  int GetType() const { return type_; }
  void SetType(int type) { type_ = type; }
  // The handle as printed ("0x0000").
  const StringC& GetHandle() const { return handle_; }
  void SetHandle(const StringC& handle) { handle_ = handle; }
  // The title line ("BIOS Information"); c_NameUnknown until read.
  const StringC& GetName() const { return name_; }
  void SetName(const StringC& name) { name_ = name; }

  // Named values; names compare exactly (letter case matters), a later value replaces an
  // earlier one of the same name. GetValue gives "" for a name not present.
  void SetValue(const StringC& name, const StringC& value) { values_[name] = value; }
  StringC GetValue(const StringC& name) const;
  bool HasValue(const StringC& name) const { return values_.count(name) != 0; }
  const std::map<StringC, StringC>& GetValues() const { return values_; }

 protected:
  ~SMBiosDataC() override = default;

 private:
  int type_ = c_TypeUnknown;
  StringC handle_;
  StringC name_ = c_NameUnknown;
  std::map<StringC, StringC> values_;
};

// The structures of one table, in output order.
using SMBiosRecordsT = std::vector<RefM<SMBiosDataC>>;
