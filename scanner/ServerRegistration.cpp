#include <memory>

#include "Driver.h"
#include "equipment/common/ServerClass.h"

namespace equ {

const ServerClassInfo& ModuleServerClass() {
  static const ServerClassInfo info{
      u"Ovex",
      u"MorvanelV41",
      u"{5C3E9A71-2B4D-4F86-9E1A-7D20C4B8E613}",
      u"8.2 Equipment Driver 2.0",
      u"Apartment",
      // The module's composition root: every object gets the platform's ports.
      [](const PlatformPorts& platform) {
        return ObjectPtr<TBaseObject>(new TDriver(DriverPortsOf(platform)));
      },
  };
  return info;
}

}  // namespace equ
