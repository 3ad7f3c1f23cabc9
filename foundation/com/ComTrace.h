#pragma once
// The trace category of the component registry: registrations, refusals and module loading.

constexpr const char* c_ComTraceCategory = "Component/Registry";
