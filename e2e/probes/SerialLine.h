#pragma once

// The scanner's side of the serial line that e2e/serial_line.sh makes: a socat pty pair whose
// host end and scanner end are linked into the prefix as two COM ports.
#include <windows.h>

#include <cstdio>
#include <string>

namespace equ::e2e {

// The scanner's end, written to as a scanner sends its barcodes.
class ScannerLine {
 public:
  explicit ScannerLine(int comNumber)
      : handle_(CreateFileW((L"\\\\.\\COM" + std::to_wstring(comNumber)).c_str(), GENERIC_WRITE, 0,
                            nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~ScannerLine() {
    if (IsOpen()) CloseHandle(handle_);
  }
  ScannerLine(const ScannerLine&) = delete;
  ScannerLine& operator=(const ScannerLine&) = delete;

  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool Write(const std::string& bytes) {
    DWORD written = 0;
    return WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
  }

 private:
  HANDLE handle_;
};

// One request to serial_line.sh, a line on standard output; its answer, a line on standard
// input: "line speed?" (stty's speed of the host's end), "unplug" (the pair and its links
// removed: the scanner pulled out), "replug" (a new pair at the same links).
inline std::string AskSerialLine(const char* request) {
  std::fputs(request, stdout);
  std::fputs("\n", stdout);
  std::fflush(stdout);
  char answer[64] = {};
  if (std::fgets(answer, sizeof answer, stdin) == nullptr) return "(no answer)";
  std::string speed = answer;
  while (!speed.empty() && (speed.back() == '\n' || speed.back() == '\r')) speed.pop_back();
  return speed;
}

// The speed of the host's end as the Linux side sees it, which Windows cannot tell.
inline std::string HostEndSpeed() {
  return AskSerialLine("line speed?");
}

}  // namespace equ::e2e
