#pragma once

#include <stdexcept>
#include <string>

namespace equ {

// A component that receives its ports refuses to start without one of them: a test that fakes
// part of a port set learns at once which port it left out, instead of the component running
// on a real one or crashing later.
template <typename Port>
const Port& RequirePort(const Port& port, const char* component, const char* name) {
  if (!port) throw std::logic_error(std::string(component) + ": no " + name + " port given");
  return port;
}

}  // namespace equ
