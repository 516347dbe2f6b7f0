// The call trace a host's calls leave, read back byte for byte: the daily file in the data
// folder (%ProgramData%\s_morvanelv41\Debug_YYYY.MM.DD.log), written in the ANSI code page of
// the target systems' setting (Windows-1251).
//
//   e2e_trace_file --clear               removes the trace files, before the calls
//   e2e_trace_file [GoogleTest options]  checks today's file after them
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::wstring TraceFolder() {
  wchar_t data[MAX_PATH] = {};
  GetEnvironmentVariableW(L"ProgramData", data, MAX_PATH);
  return std::wstring(data) + L"\\s_morvanelv41";
}

std::wstring TodaysTrace() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  wchar_t name[64] = {};
  swprintf(name, 64, L"\\Debug_%04u.%02u.%02u.log", now.wYear, now.wMonth, now.wDay);
  return TraceFolder() + name;
}

void ClearTraces() {
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((TraceFolder() + L"\\Debug_*.log").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    DeleteFileW((TraceFolder() + L"\\" + found.cFileName).c_str());
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

std::string ReadBytes(const std::wstring& path) {
  std::ifstream file(path.c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The lines that hold needle, for a failure's message.
std::string LinesWith(const std::string& bytes, const std::string& needle) {
  std::string lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    const std::string line = bytes.substr(start, end - start);
    if (line.find(needle) != std::string::npos) lines += line + "\n";
    start = end + 1;
  }
  return lines;
}

TEST(Trace, file) {
  const std::string bytes = ReadBytes(TodaysTrace());
  ASSERT_FALSE(bytes.empty()) << "the call trace of today exists and is not empty";
  EXPECT_NE(bytes.find("> GetDataCount: \tInData: "), std::string::npos)
      << "the call trace has the '> GetDataCount' line";
  // "Проверка" in Windows-1251.
  EXPECT_NE(bytes.find("InData: '\xCF\xF0\xEE\xE2\xE5\xF0\xEA\xE0'"), std::string::npos)
      << "the call trace holds the Cyrillic InData in Windows-1251; its GetDataCount lines:\n"
      << LinesWith(bytes, "GetDataCount");
  EXPECT_NE(bytes.find("============Begin debug log============="), std::string::npos)
      << "the call trace begins with the device header";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc > 1 && std::wstring(argv[1]) == L"--clear") {
    ClearTraces();
    return 0;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
