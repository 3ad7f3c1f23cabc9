#pragma once
// The tracker's preferences: member, the name users type (on the command line and in the
// configuration registry), and whether a command-line value is split into a list (the name is
// on TrkPreferencesC::c_EnvironmentList). Every name object carries values_multi and
// values_unique. A few names are spelled as users have always typed them (db2users, job,
// GuidAsName, Inventory, SecurityAnalysis, EnableWinOldAppPolicySetting,
// FullQualifiedDomainName); the member says what they mean.
//
// HX_TRK_PREFERENCES(X) calls X(Member, "Name", listed) once per preference.

#define HX_TRK_LISTED 1
#define HX_TRK_WHOLE 0

#define HX_TRK_PREFERENCES(X)                                              \
  /* File tracking */                                                      \
  X(IncludeDirectory, "IncludeDirectory", HX_TRK_LISTED)                   \
  X(ExcludeDirectory, "ExcludeDirectory", HX_TRK_LISTED)                   \
  X(IncludeExtension, "IncludeExtension", HX_TRK_LISTED)                   \
  X(ExcludeExtension, "ExcludeExtension", HX_TRK_LISTED)                   \
  X(IncludeFile, "IncludeFile", HX_TRK_LISTED)                             \
  X(ExcludeFile, "ExcludeFile", HX_TRK_LISTED)                             \
  X(IncludeMD5, "IncludeMD5", HX_TRK_LISTED)                               \
  X(ExcludeMD5, "ExcludeMD5", HX_TRK_LISTED)                               \
  X(IncludeFileSystemType, "IncludeFileSystemType", HX_TRK_LISTED)         \
  X(ExcludeFileSystemType, "ExcludeFileSystemType", HX_TRK_LISTED)         \
  X(IncludeNetworkDrives, "IncludeNetworkDrives", HX_TRK_LISTED)           \
  X(IncludeExecutables, "IncludeExecutables", HX_TRK_LISTED)               \
  X(IncludePermissionsMask, "IncludePermissionsMask", HX_TRK_LISTED)       \
  X(ExcludePermissionsMask, "ExcludePermissionsMask", HX_TRK_LISTED)       \
  X(Recurse, "Recurse", HX_TRK_LISTED)                                     \
  X(VersionInfo, "VersionInfo", HX_TRK_LISTED)                             \
  X(GenerateMD5, "GenerateMD5", HX_TRK_LISTED)                             \
  X(ScanFiles, "ScanFiles", HX_TRK_LISTED)                                 \
  X(EmbedFileContentExtension, "EmbedFileContentExtension", HX_TRK_LISTED) \
  X(EmbedFileContentDirectory, "EmbedFileContentDirectory", HX_TRK_LISTED) \
  X(ExcludeEmbedFileContentDirectory, "ExcludeEmbedFileContentDirectory", HX_TRK_LISTED) \
  X(EmbedFileContentMaxSize, "EmbedFileContentMaxSize", HX_TRK_LISTED)     \
  X(SwidTagExtension, "SwidTagExtension", HX_TRK_LISTED)                   \
  X(TrackFilesInUserInventory, "TrackFilesInUserInventory", HX_TRK_LISTED) \
  X(ExpectTrackFilesInUserInventory, "ExpectTrackFilesInUserInventory", HX_TRK_LISTED) \
  /* Packages */                                                           \
  X(TarvoskPackages, "TarvoskPackages", HX_TRK_LISTED)                     \
  X(PkgCacheDirectory, "PkgCacheDirectory", HX_TRK_WHOLE)                  \
  X(PkgLiveDirectory, "PkgLiveDirectory", HX_TRK_WHOLE)                    \
  X(PackageDatabaseTypes, "PackageDatabaseTypes", HX_TRK_LISTED)           \
  X(PlatformSpecificPackages, "PlatformSpecificPackages", HX_TRK_LISTED)   \
  X(ExpectSoftware, "ExpectSoftware", HX_TRK_LISTED)                       \
  X(TLMAgentIniPath, "TLMAgentIniPath", HX_TRK_LISTED)                     \
  X(TLMStandaloneIniPath, "TLMStandaloneIniPath", HX_TRK_LISTED)           \
  X(DB2users, "db2users", HX_TRK_LISTED)                                   \
  X(MSI, "MSI", HX_TRK_LISTED)                                             \
  X(MSIOpenProducts, "MSIOpenProducts", HX_TRK_LISTED)                     \
  X(IncludeRegistryKey, "IncludeRegistryKey", HX_TRK_LISTED)               \
  /* Hardware */                                                           \
  X(Hardware, "Hardware", HX_TRK_LISTED)                                   \
  X(UserHardware, "UserHardware", HX_TRK_LISTED)                           \
  X(ExpectHardware, "ExpectHardware", HX_TRK_LISTED)                       \
  X(DetectMultiCore, "DetectMultiCore", HX_TRK_LISTED)                     \
  X(DetectSerial, "DetectSerial", HX_TRK_LISTED)                           \
  X(BenchmarkCPU, "BenchmarkCPU", HX_TRK_LISTED)                           \
  X(LibsmbiosCmdLine, "LibsmbiosCmdLine", HX_TRK_LISTED)                   \
  X(PNP, "PNP", HX_TRK_WHOLE)                                              \
  X(WMI, "WMI", HX_TRK_LISTED)                                             \
  X(WMIConfigFile, "WMIConfigFile", HX_TRK_LISTED)                         \
  X(HyperV, "HyperV", HX_TRK_LISTED)                                       \
  X(MSSQL, "MSSQL", HX_TRK_LISTED)                                         \
  X(TrackProductKey, "TrackProductKey", HX_TRK_LISTED)                     \
  X(DeviceID, "DeviceID", HX_TRK_LISTED)                                   \
  X(MachineName, "MachineName", HX_TRK_LISTED)                             \
  /* Inventory type, file and generations */                               \
  X(InventoryType, "InventoryType", HX_TRK_LISTED)                         \
  X(IncludeMachineInventory, "IncludeMachineInventory", HX_TRK_LISTED)     \
  X(IncludeUserInventory, "IncludeUserInventory", HX_TRK_LISTED)           \
  X(MachineInventoryDirectory, "MachineInventoryDirectory", HX_TRK_LISTED) \
  X(UserInventoryDirectory, "UserInventoryDirectory", HX_TRK_LISTED)       \
  X(MachineZeroTouchDirectory, "MachineZeroTouchDirectory", HX_TRK_WHOLE)  \
  X(UserZeroTouchDirectory, "UserZeroTouchDirectory", HX_TRK_WHOLE)        \
  X(InventoryDirectory, "InventoryDirectory", HX_TRK_LISTED)               \
  X(InventoryFile, "InventoryFile", HX_TRK_LISTED)                         \
  X(InventoryExtension, "InventoryExtension", HX_TRK_LISTED)               \
  X(Configuration, "Configuration", HX_TRK_LISTED)                         \
  X(Compress, "Compress", HX_TRK_LISTED)                                   \
  X(CompressedExtension, "CompressedExtension", HX_TRK_LISTED)             \
  X(Difference, "Difference", HX_TRK_LISTED)                               \
  X(IncrementalDiff, "IncrementalDiff", HX_TRK_LISTED)                     \
  X(Generation, "Generation", HX_TRK_LISTED)                               \
  X(GenerationMax, "GenerationMax", HX_TRK_LISTED)                         \
  X(Full, "Full", HX_TRK_WHOLE)                                            \
  X(Software, "Software", HX_TRK_WHOLE)                                    \
  X(SkipInventory, "SkipInventory", HX_TRK_WHOLE)                          \
  X(MinInventoryInterval, "MinInventoryInterval", HX_TRK_WHOLE)            \
  X(DateTime, "DateTime", HX_TRK_LISTED)                                   \
  X(DateTimeFormat, "DateTimeFormat", HX_TRK_LISTED)                       \
  X(MachineId, "MachineId", HX_TRK_LISTED)                                 \
  X(UserName, "UserName", HX_TRK_LISTED)                                   \
  X(UserId, "UserId", HX_TRK_LISTED)                                       \
  X(FullyQualifiedDomainName, "FullQualifiedDomainName", HX_TRK_LISTED)    \
  X(Title, "Title", HX_TRK_LISTED)                                         \
  X(Version, "Version", HX_TRK_LISTED)                                     \
  X(UseGuidAsName, "GuidAsName", HX_TRK_WHOLE)                             \
  X(JobTag, "job", HX_TRK_WHOLE)                                           \
  X(TamperShield, "TamperShield", HX_TRK_WHOLE)                            \
  X(Security, "Security", HX_TRK_LISTED)                                   \
  X(SecurityAnalysisRule, "SecurityAnalysis", HX_TRK_LISTED)               \
  X(SecurityAnalysisFile, "SecurityAnalysisFile", HX_TRK_LISTED)           \
  X(EnableWinOldApp, "EnableWinOldAppPolicySetting", HX_TRK_LISTED)        \
  /* Upload */                                                             \
  X(Upload, "Upload", HX_TRK_LISTED)                                       \
  X(UploadRule, "Inventory", HX_TRK_LISTED)                                \
  X(UploadFile, "UploadFile", HX_TRK_LISTED)                               \
  X(UploadLocation, "UploadLocation", HX_TRK_LISTED)                       \
  /* Interaction and progress */                                           \
  X(UserInteractionLevel, "UserInteractionLevel", HX_TRK_LISTED)           \
  X(ProgressDepth, "ProgressDepth", HX_TRK_LISTED)                         \
  X(ShowIcon, "ShowIcon", HX_TRK_LISTED)                                   \
  X(LowProfile, "LowProfile", HX_TRK_LISTED)                               \
  X(Remote, "Remote", HX_TRK_WHOLE)                                        \
  /* Messages and logging */                                               \
  X(LogMsgCatPath, "LogMsgCatPath", HX_TRK_LISTED)                         \
  X(LogFile, "LogFile", HX_TRK_LISTED)                                     \
  X(LogFileOld, "LogFileOld", HX_TRK_LISTED)                               \
  /* Platform directories: the Windows ones mean nothing here and are not split */ \
  X(SysDirectory, "SysDirectory", HX_TRK_WHOLE)                            \
  X(WinDirectory, "WinDirectory", HX_TRK_WHOLE)                            \
  X(ProgramFiles, "ProgramFiles", HX_TRK_LISTED)                           \
  /* Limits of a run: tools, the single-instance lock, the DB2 step (s) */ \
  X(ToolTimeout, "ToolTimeout", HX_TRK_WHOLE)                              \
  X(LockTimeout, "LockTimeout", HX_TRK_WHOLE)                              \
  X(DB2Timeout, "DB2Timeout", HX_TRK_WHOLE)                                \
  /* Delivery: seconds a transfer may go without progress and in all, files kept for a later try */ \
  X(UploadTimeout, "UploadTimeout", HX_TRK_WHOLE)                          \
  X(UploadRequestTimeout, "UploadRequestTimeout", HX_TRK_WHOLE)            \
  X(UploadSpoolMax, "UploadSpoolMax", HX_TRK_WHOLE)                        \
  /* File digests: worker threads, the cache across runs, the longest file */ \
  X(DigestThreads, "DigestThreads", HX_TRK_WHOLE)                          \
  X(DigestCache, "DigestCache", HX_TRK_WHOLE)                              \
  X(DigestCachePath, "DigestCachePath", HX_TRK_WHOLE)                      \
  X(DigestMaxFileSize, "DigestMaxFileSize", HX_TRK_WHOLE)
