#pragma once
// The component faces of the inventory, for callers that reach it through the component
// registry (plug-ins). Operations are declared in slot order. Texts cross these interfaces as
// zero-terminated bytes in the system 8-bit encoding; a text handed out through a `char**` is a
// copy that the caller frees with free().

#include "foundation/com/ZORUnknown.h"
#include "inventory/InventoryGuids.h"

class ZORHXTInventoryEntityI : public ZORUnknownI {
 public:
  // The value of the attribute, or "" (still success) when there is none.
  virtual hx::ResultT get_Item(char* name, char** value) = 0;
  // Not offered: answers RC_NOT_IMPL and a null enumerator.
  virtual hx::ResultT get__NewEnum(ZORUnknownI** enumerator) = 0;
  // The number of attributes.
  virtual hx::ResultT get_Count(long* count) = 0;
  virtual hx::ResultT Add(char* name, char* value) = 0;
  virtual hx::ResultT AttributeExists(char* name, bool* exists) = 0;
  virtual hx::ResultT CreateEntity(char* tag, ZORHXTInventoryEntityI** entity) = 0;
  virtual hx::ResultT FindEntity(char* tag, ZORHXTInventoryEntityI* after, ZORHXTInventoryEntityI** found) = 0;
  virtual hx::ResultT AddEntity(ZORHXTInventoryEntityI* child) = 0;
  virtual hx::ResultT RemoveEntity(ZORHXTInventoryEntityI* child) = 0;
  virtual hx::ResultT GetEntityCount(long* count) = 0;
  virtual hx::ResultT GetType(char** tag) = 0;

 protected:
  ~ZORHXTInventoryEntityI() = default;
};

class ZORHXTInventoryI : public ZORUnknownI {
 public:
  // The document's root entity (the document itself) with a new reference.
  virtual hx::ResultT GetRootEntity(ZORHXTInventoryEntityI** root) = 0;

 protected:
  ~ZORHXTInventoryI() = default;
};
