#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace equ::testing {

// tools/display_simulator run as a child process on a free port of 127.0.0.1 for the life of
// the object, its output in a file of the given folder; stopped with SIGTERM by its id.
class DisplaySimulatorProcess {
 public:
  // `answer` as the simulator's --answer option (ack, byte:HH, none, close).
  DisplaySimulatorProcess(const std::filesystem::path& folder, const std::string& answer);
  ~DisplaySimulatorProcess();
  DisplaySimulatorProcess(const DisplaySimulatorProcess&) = delete;
  DisplaySimulatorProcess& operator=(const DisplaySimulatorProcess&) = delete;

  int Port() const { return port_; }
  std::string Output() const;
  // The value of the last "name: value" line of the output; "" when there is none.
  std::string Last(const std::string& name) const;
  // Waits (up to 5 s) until the output holds the text.
  bool WaitFor(const std::string& text) const;
  // The bytes of the n-th message as the simulator received them.
  std::string RawMessage(int number) const;

 private:
  std::filesystem::path folder_;
  std::filesystem::path output_;
  pid_t pid_ = -1;
  int port_ = 0;
};

// A port of 127.0.0.1 on which nothing listens.
int ClosedPort();

}  // namespace equ::testing
