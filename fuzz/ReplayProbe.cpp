// A target for checking the replay driver itself: an input that starts with "crash" reads past
// the end of a heap block, which AddressSanitizer reports; every other input passes.
#include <cstdint>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 5 || std::memcmp(data, "crash", 5) != 0) return 0;
  auto block = std::make_unique<std::uint8_t[]>(size);
  std::memcpy(block.get(), data, size);
  volatile std::uint8_t past = block[size];  // the deliberate fault
  return past;
}
