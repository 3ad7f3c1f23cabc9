#pragma once
// The preferences through which the run and the uploader library talk: the run sets the first
// four before it calls the uploader, which reads them (and the staging directories) through
// the launcher context. Both sides use these names, so neither can drift from the other.

namespace upl {

constexpr const char* c_UploadType = "UploadType";            // "Machine" or "User"
constexpr const char* c_SourceRemove = "SourceRemove";        // remove each staged file once delivered
constexpr const char* c_UploadRule = "UploadRule";            // the name of the upload rule preference
constexpr const char* c_UploadRuleValue = "UploadRuleValue";  // the rule, expanded: where files go
constexpr const char* c_UploadDirectory = "UploadDirectory";  // the staging directory, when set
constexpr const char* c_MachineUploadDirectory = "MachineUploadDirectory";
constexpr const char* c_UserUploadDirectory = "UserUploadDirectory";

}  // namespace upl
