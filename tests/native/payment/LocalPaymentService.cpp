#include "LocalPaymentService.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>
#include <sys/prctl.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

extern char** environ;

namespace equ::testing {

namespace {

// Runs a program to its end; true when it exited with 0.
bool RunToEnd(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  // Its progress dots are noise in a test log.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return false;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

TestCertificate MakeTestCertificate(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  TestCertificate certificate{folder / "localhost.pem", folder / "localhost.key"};
  if (!RunToEnd({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                 "/CN=localhost", "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1", "-keyout",
                 certificate.keyFile.string(), "-out", certificate.certFile.string()})) {
    throw std::runtime_error("openssl could not make the test certificate");
  }
  return certificate;
}

LocalPaymentService::LocalPaymentService(const TestCertificate& certificate) {
  int output[2];
  if (pipe(output) != 0) throw std::runtime_error("pipe failed");
  std::vector<std::string> args = {
      EQU_PAYMENT_SERVICE_PATH,    "--port", "0", "--cert", certificate.certFile.string(), "--key",
      certificate.keyFile.string()};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const pid_t parent = getpid();
  pid_ = fork();
  if (pid_ == 0) {
    // The service ends with the test program, also when that one dies without cleaning up.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(1);
    dup2(output[1], STDOUT_FILENO);
    close(output[0]);
    close(output[1]);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(output[1]);
  if (pid_ < 0) {
    close(output[0]);
    throw std::runtime_error("cannot start " + args[0]);
  }
  // The first line is the base address, printed once the port is bound.
  FILE* stream = fdopen(output[0], "r");
  char line[256] = {};
  const bool got = stream != nullptr && std::fgets(line, sizeof line, stream) != nullptr;
  if (stream != nullptr) std::fclose(stream);
  base_ = line;
  while (!base_.empty() && (base_.back() == '\n' || base_.back() == '\r')) base_.pop_back();
  if (!got || base_.rfind("https://localhost:", 0) != 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    throw std::runtime_error("the payment service printed no base address: " + base_);
  }
}

LocalPaymentService::~LocalPaymentService() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
}

}  // namespace equ::testing
