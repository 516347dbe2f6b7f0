#include "ServerClass.h"

#include "platform/PlatformPorts.h"

namespace equ {

ObjectPtr<TBaseObject> CreateServerObject() {
  ObjectPtr<TBaseObject> object = ModuleServerClass().CreateObject(Platform());
  object->Initialize();
  return object;
}

}  // namespace equ
