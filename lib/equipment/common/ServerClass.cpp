#include "ServerClass.h"

namespace equ {

ObjectPtr<TBaseObject> CreateServerObject() {
  ObjectPtr<TBaseObject> object = ModuleServerClass().CreateObject();
  object->Initialize();
  return object;
}

}  // namespace equ
