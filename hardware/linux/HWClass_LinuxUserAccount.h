#pragma once
// HWClass_LinuxUserAccount (provider "LinuxUserAccount", class
// TVK_UserAccount): the machine's local accounts, one instance per entry of
// its /etc/passwd in file order, named by the account name, as
// `getent -s files passwd` lists them:
//
//   UID             the user id
//   PrimaryGroup    the name of its group in /etc/group, the number where the
//                   file has no such group
//   HomeDirectory   the home directory
//   Shell           the login shell
//   ShellListed     TRUE when /etc/shells lists that shell, else FALSE (not
//                   written without a shell or without /etc/shells)
//
// Only the local files are read: never the name services (a directory
// service's thousands of accounts are not this machine's), never the shadow
// file, nor the gecos field.

#include "foundation/core/Nodiscard.h"
#include "hardware/framework/ProviderTable.h"
#include "hardware/linux/HWClass_Linux.h"

class HWClass_LinuxUserAccount : public HWClass_Linux {
 public:
  // The accounts, appended; always 0 (a machine without the file has none).
  HX_NODISCARD hx::ResultT GetInventory(HWInstanceListT& instances, StringC className, const PropertyMap& parameters) override;

 protected:
  ~HWClass_LinuxUserAccount() override = default;
};

HX_HW_PROVIDER_FACTORY(LinuxUserAccount, "ZOR.hX.Tracker.LinuxUserAccount.1")
