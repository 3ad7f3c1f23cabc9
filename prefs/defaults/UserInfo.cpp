// Computer name, domain and user of the process, as the shared agent knows them.

#include <netdb.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "platform/OSInfo.h"
#include "prefs/defaults/EnvDefaultBuilder.h"

namespace {

constexpr size_t c_DomainBuffer = 1024;
constexpr size_t c_PasswdBufferStep = 256;
constexpr const char* c_NoDomain = "(none)";
constexpr const char* c_True = "True";
constexpr const char* c_False = "False";
constexpr const char* c_SystemUser = "system";

// Splits the official name of `host`, or else its first alias that holds a domain.
HX_NODISCARD bool SplitResolvedName(const StringC& host, StringC& computer, StringC& domain) {
  const hostent* h = ::gethostbyname(host.c_str());
  if (h == nullptr) return false;
  if (h->h_name != nullptr && env_EnvDefaultBuilderC::SplitHostName(h->h_name, computer, domain)) return true;
  for (char** alias = h->h_aliases; alias != nullptr && *alias != nullptr; ++alias) {
    if (env_EnvDefaultBuilderC::SplitHostName(*alias, computer, domain)) return true;
  }
  return false;
}

// The secure RPC domain of the system; "(none)" and an empty answer mean there is none.
HX_NODISCARD bool SystemDomain(StringC& domain) {
  char buffer[c_DomainBuffer] = {};
  if (::getdomainname(buffer, sizeof buffer - 1) != 0) return false;
  const StringC d(buffer);
  if (d.empty() || d == c_NoDomain) return false;
  domain = d;
  return true;
}

// The login name of the effective user, from the password database.
HX_NODISCARD bool EffectiveUserName(StringC& name) {
  std::vector<char> buffer(c_PasswdBufferStep);
  passwd entry;
  passwd* found = nullptr;
  for (;;) {
    const int rc = ::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found);
    if (rc == ERANGE) {
      buffer.resize(buffer.size() + c_PasswdBufferStep);
      continue;
    }
    if (rc != 0 || found == nullptr || found->pw_name == nullptr) return false;
    name = found->pw_name;
    return true;
  }
}

}  // namespace

bool env_EnvDefaultBuilderC::SplitHostName(const StringC& host, StringC& computer, StringC& domain) {
  const size_t dot = host.find('.', 1);
  if (host.empty() || dot == StringC::npos) return false;
  computer = host.substr(0, dot);
  domain = host.substr(dot + 1);
  return true;
}

void env_EnvDefaultBuilderC::SetUserInfo(env_DefaultSinkI& env) {
  StringC host, computer, domain;
  bool haveComputer = false;
  bool haveDomain = false;
  // A machine read from a snapshot is not this host: its name is not resolved here and this
  // host's domain is not its domain.
  const bool snapshot = hx::IdentityFromSnapshot();
  if (hx::ReadHostName(host)) {
    haveComputer = true;
    haveDomain = SplitHostName(host, computer, domain) || (!snapshot && SplitResolvedName(host, computer, domain));
    if (!haveDomain) computer = host;
  }
  if (!haveDomain && !snapshot) haveDomain = SystemDomain(domain);
  if (haveComputer) env_SetSingle(env, "ComputerName", computer);
  if (haveDomain) {
    env_SetSingle(env, "OSComputerDomain", domain);
    env_SetSingle(env, "OSUserLogonDomain", domain);
  }
  const bool root = ::geteuid() == 0;
  env_SetSingle(env, "AdminUser", root ? c_True : c_False);
  env_SetSingle(env, "SystemUser", root ? c_True : c_False);
  StringC user;
  if (root) {
    env_SetSingle(env, "UserName", c_SystemUser);
  } else if (EffectiveUserName(user)) {
    env_SetSingle(env, "UserName", user);
  }
}
