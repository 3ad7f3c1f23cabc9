#pragma once
// The vocabulary of the configuration registry: key handles with the predefined roots, value
// types, access masks and status codes. The agent's components address their configuration
// with the key paths and roots of the Win32 registry, so these keep the familiar numbers.

#include <cstdint>

#include "foundation/core/Result.h"

// A key handle: a predefined root (0x80000000..0x80000006) or a small number handed out by
// OpenKey, CreateKey and StartEnumerate. 0 is never a valid handle.
using ConfHKEY = uint32_t;

constexpr ConfHKEY HKEY_CLASSES_ROOT = 0x80000000u;
constexpr ConfHKEY HKEY_CURRENT_USER = 0x80000001u;
constexpr ConfHKEY HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr ConfHKEY HKEY_USERS = 0x80000003u;
constexpr ConfHKEY HKEY_PERFORMANCE_DATA = 0x80000004u;
constexpr ConfHKEY HKEY_CURRENT_CONFIG = 0x80000005u;
constexpr ConfHKEY HKEY_DYN_DATA = 0x80000006u;
constexpr ConfHKEY CONF_HKEY_NONE = 0;

constexpr bool ConfIsPredefinedKey(ConfHKEY k) { return k >= HKEY_CLASSES_ROOT && k <= HKEY_DYN_DATA; }

// Value types. Every value of an INI file reads as CONF_REG_SZ; the others are accepted when
// writing (and stored as text).
constexpr uint32_t CONF_REG_NONE = 0;
constexpr uint32_t CONF_REG_SZ = 1;
constexpr uint32_t CONF_REG_EXPAND_SZ = 2;
constexpr uint32_t CONF_REG_BINARY = 3;
constexpr uint32_t CONF_REG_DWORD = 4;
constexpr uint32_t CONF_REG_MULTI_SZ = 7;

// Access masks of OpenKey. The INI registry does not restrict by access; callers pass the mask
// that states their intent.
constexpr uint32_t CONF_KEY_READ = 0x20019u;
constexpr uint32_t CONF_KEY_WRITE = 0x20006u;
constexpr uint32_t CONF_KEY_ALL_ACCESS = 0xF003Fu;

// Status codes of the registry operations (negative as signed results).
constexpr hx::ResultT CONF_REG_OK = 0;
constexpr hx::ResultT CONF_REG_E_SAVE = hx::ToResult(0xE1370065u);           // a file could not be saved
constexpr hx::ResultT CONF_REG_E_MORE_DATA = hx::ToResult(0xE1370067u);      // buffer too small; size needed returned
constexpr hx::ResultT CONF_REG_E_NOT_FOUND = hx::ToResult(0xE1370069u);      // key or value not found
constexpr hx::ResultT CONF_REG_E_INVALID_HANDLE = hx::ToResult(0xE137006Bu); // unknown key handle
constexpr hx::ResultT CONF_REG_E_INVALID_PARAM = hx::ToResult(0xE137006Eu);  // empty root, buffer without size, bad name
constexpr hx::ResultT CONF_REG_E_MOUNTED = hx::ToResult(0xE1370074u);        // the file is already mounted
// A typed configuration value has no command-line override under the name asked for.
constexpr hx::ResultT CONF_VAR_E_NO_CMDLINE = hx::ToResult(0xE1370006u);
