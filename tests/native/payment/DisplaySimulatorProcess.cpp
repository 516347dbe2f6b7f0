#include "DisplaySimulatorProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace equ::testing {

namespace {

std::string ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

DisplaySimulatorProcess::DisplaySimulatorProcess(const std::filesystem::path& folder,
                                                 const std::string& answer)
    : folder_(folder), output_(folder / "display.out") {
  std::filesystem::create_directories(folder_);
  std::vector<std::string> args = {EQU_DISPLAY_SIMULATOR_PATH,
                                   "--port",
                                   "0",
                                   "--answer",
                                   answer,
                                   "--raw-dir",
                                   (folder_ / "raw").string(),
                                   "--png-dir",
                                   (folder_ / "png").string()};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const pid_t parent = getpid();
  pid_ = fork();
  if (pid_ == 0) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(1);
    const int out = open(output_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(out, STDOUT_FILENO);
    close(out);
    execv(argv[0], argv.data());
    _exit(127);
  }
  if (pid_ < 0) throw std::runtime_error("cannot start the display simulator");
  if (!WaitFor("listening on 127.0.0.1:")) {
    throw std::runtime_error("the display simulator printed no port: " + Output());
  }
  const std::string text = Output();
  port_ = std::stoi(text.substr(text.find(':') + 1));
}

DisplaySimulatorProcess::~DisplaySimulatorProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

std::string DisplaySimulatorProcess::Output() const {
  return ReadFile(output_);
}

std::string DisplaySimulatorProcess::Last(const std::string& name) const {
  std::istringstream lines(Output());
  std::string line, value;
  const std::string mark = name + ": ";
  while (std::getline(lines, line)) {
    if (line.rfind(mark, 0) == 0) value = line.substr(mark.size());
  }
  return value;
}

bool DisplaySimulatorProcess::WaitFor(const std::string& text) const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (Output().find(text) == std::string::npos) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

std::string DisplaySimulatorProcess::RawMessage(int number) const {
  return ReadFile(folder_ / "raw" / ("message-" + std::to_string(number) + ".bin"));
}

int ClosedPort() {
  const int probe = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  close(probe);
  return ntohs(address.sin_port);
}

}  // namespace equ::testing
