#pragma once
// The element and attribute names of the inventory tree. Receivers match them exactly.

struct TrkVocabularyC {
  static constexpr const char* c_Inventory = "Inventory";
  static constexpr const char* c_Hardware = "Hardware";
  static constexpr const char* c_Package = "Package";
  static constexpr const char* c_Property = "Property";
  static constexpr const char* c_Class = "Class";
  static constexpr const char* c_Name = "Name";
  static constexpr const char* c_Value = "Value";
  static constexpr const char* c_Evidence = "Evidence";
  static constexpr const char* c_Key = "Key";
  static constexpr const char* c_Path = "Path";
};
