#pragma once
// What the registry tests and the test component module agree on: the class the module
// registers, its name and the interface its objects offer.

#include "foundation/com/ZORUnknown.h"

constexpr ZORGUID CLSID_TestModuleObject = {0x5B0F1C2A, 0x3D4E, 0x4F60,
                                                   {0x81, 0x92, 0xA3, 0xB4, 0xC5, 0xD6, 0xE7, 0xF8}};
constexpr ZORGUID IID_TestModuleObject = {0x5B0F1C2B, 0x3D4E, 0x4F60,
                                                 {0x81, 0x92, 0xA3, 0xB4, 0xC5, 0xD6, 0xE7, 0xF8}};
constexpr const char* c_TestModuleClassName = "TestModuleClass";
constexpr int c_TestModuleAnswer = 42;

class TestModuleObjectI : public ZORUnknownI {
 public:
  virtual int Answer() = 0;

 protected:
  ~TestModuleObjectI() = default;
};
