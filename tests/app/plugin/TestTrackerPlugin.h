#pragma once
// What the tests and the test tracker plug-in agree on.

#include "foundation/com/ZORGuid.h"

constexpr ZORGUID CLSID_TestTracker = {0x0B7C5E20, 0x6D1A, 0x4C33, {0x8E, 0x47, 0x2B, 0x90, 0x1F, 0xA6, 0x3D, 0x58}};
// Preferences the plug-in's Run reads through the context.
constexpr const char* c_TestTrackerMarker = "TestTrackerMarker";
constexpr const char* c_TestTrackerSleepMs = "TestTrackerSleepMs";
constexpr const char* c_TestTrackerDelegate = "TestTrackerDelegate";
constexpr const char* c_TestTrackerEntities = "TestTrackerEntities";  // file entities a delegated run adds
// The words of the marker lines ("start <pid>", "end <pid>").
constexpr const char* c_TestTrackerStart = "start";
constexpr const char* c_TestTrackerEnd = "end";
