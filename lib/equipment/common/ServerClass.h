#pragma once

#include <functional>
#include <memory>

#include "BaseObject.h"
#include "WideString.h"

namespace equ {

struct PlatformPorts;

// Registration data of the one automation class an in-process server exposes, and how an
// object of it is made. The platform binding registers it and creates objects through it.
struct ServerClassInfo {
  WideString ServerName;
  WideString ClassName;
  WideString ClassID;  // in braces, upper case
  WideString Description;
  WideString ThreadingModel;
  // A new, uninitialized object of the class, wired to the given ports.
  std::function<ObjectPtr<TBaseObject>(const PlatformPorts&)> CreateObject;

  WideString ProgID() const { return ServerName + u"." + ClassName; }
};

// The class this module serves; defined by the product linked into the module.
const ServerClassInfo& ModuleServerClass();

// A new, initialized object of the module's class on the process's ports (Platform()).
ObjectPtr<TBaseObject> CreateServerObject();

}  // namespace equ
