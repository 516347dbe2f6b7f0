#include "ServerClass.h"

namespace equ {

std::unique_ptr<TBaseObject> CreateServerObject() {
  std::unique_ptr<TBaseObject> object = ModuleServerClass().CreateObject();
  object->Initialize();
  return object;
}

}  // namespace equ
