// The replay driver of a fuzz target where libFuzzer is not linked in: runs every file it is
// given (a folder stands for the files below it, in name order) through the target once. A
// sanitizer report or an abort names the target and the input it died on; the exit status is
// then not zero, which is what makes a crashing corpus file fail the test command.
#include <sanitizer/common_interface_defs.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::string gTarget;
std::string gInput;

void ReportDeath() {
  std::fprintf(stderr, "fuzz target %s crashed on input %s\n", gTarget.c_str(), gInput.c_str());
}

[[noreturn]] void OnAbort(int) {
  ReportDeath();
  std::_Exit(134);
}

std::vector<std::filesystem::path> InputFiles(int argc, char** argv) {
  std::vector<std::filesystem::path> files;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path given(argv[i]);
    if (!std::filesystem::is_directory(given)) {
      files.push_back(given);
      continue;
    }
    std::vector<std::filesystem::path> below;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(given)) {
      if (entry.is_regular_file()) below.push_back(entry.path());
    }
    std::sort(below.begin(), below.end());
    files.insert(files.end(), below.begin(), below.end());
  }
  return files;
}

bool ReadFile(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  gTarget = std::filesystem::path(argv[0]).filename().string();
  __sanitizer_set_death_callback(ReportDeath);
  std::signal(SIGABRT, OnAbort);
  const std::vector<std::filesystem::path> files = InputFiles(argc, argv);
  if (files.empty()) {
    std::fprintf(stderr, "%s: no input files\n", gTarget.c_str());
    return 2;
  }
  std::vector<std::uint8_t> bytes;
  for (const auto& file : files) {
    gInput = file.string();
    if (!ReadFile(file, bytes)) {
      std::fprintf(stderr, "%s: cannot read %s\n", gTarget.c_str(), gInput.c_str());
      return 2;
    }
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  }
  std::printf("%s: %zu inputs replayed\n", gTarget.c_str(), files.size());
  return 0;
}
