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

// Delivery to a server and the spool of files it did not take.
constexpr const char* c_UploadTimeout = "UploadTimeout";    // seconds a transfer may make no progress
constexpr const char* c_UploadRequestTimeout = "UploadRequestTimeout";  // seconds one request may take in all
constexpr const char* c_UploadSpoolMax = "UploadSpoolMax";  // files kept in the spool at most
constexpr const char* c_Generation = "Generation";          // "Full" when this run staged a full inventory
// "False" or "No" switches off the check of a server's certificate; anything else keeps it.
constexpr const char* c_CheckServerCertificate = "CheckServerCertificate";
// The agent's own certificate authorities, set by the run to SSLCACertificateFile and
// SSLCACertificatePath when these name an existing place that passed the trust checks, and to
// "" otherwise (the system's trust store is used then). The uploader reads only these.
constexpr const char* c_TrustedCAFile = "UploadCACertificateFile";
constexpr const char* c_TrustedCAPath = "UploadCACertificatePath";

// The spool below the staging directory, and the mark that asks the next run for a full
// inventory because a file of the server's chain of generations was dropped from it.
constexpr const char* c_SpoolDirectory = "pending";
constexpr const char* c_FullInventoryMark = ".full-inventory-needed";

}  // namespace upl
