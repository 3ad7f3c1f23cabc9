// HWClass_Unix::RunCommandImpersonate: a tool run under another user's account.

#include <vector>

#include "hardware/framework/HWClass_Unix.h"
#include "hardware/framework/RunBySu.h"

hx::ResultT HWClass_Unix::RunCommandImpersonate(const CommandLineC& commandLine, StringArrayC& lines,
                                                const StringC& user, const StringC& password,
                                                const RunBySuC::OptionsT& options) {
  const std::string command = RunBySuC::CommandText(commandLine);
  // A buffer of our own, so that the copy su is given can be cleared.
  std::vector<char> secret(password.begin(), password.end());
  secret.push_back('\0');
  hx::ToolEndC end;
  // No password: nothing is written at a prompt (root is never asked for one).
  const int result = RunBySuC::RunCommand(user.c_str(), password.empty() ? nullptr : secret.data(), command.c_str(),
                                          lines, options, &end);
  hx::ClearSecret(secret.data(), secret.size());
  hx::LogToolFailure(RunBySuC::SuCommandLine(user.c_str(), command.c_str()), end);
  return result;
}
