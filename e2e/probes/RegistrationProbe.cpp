// Registration of the module with regsvr32, read back from the registry as a host finds it:
// machine-wide (HKLM, seen through HKCR) and per user (`/n /i:USER`, under HKCU). regsvr32 is
// the one of this program's bitness, and so is the registry view read here.
//
//   e2e_registration MODULE_PATH [GoogleTest options]
//
// Each test puts the registration back as the fixture left it: registered machine-wide,
// nothing per user.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

constexpr wchar_t kClsid[] = L"{5C3E9A71-2B4D-4F86-9E1A-7D20C4B8E613}";
constexpr wchar_t kProgId[] = L"Ovex.MorvanelV41";
constexpr wchar_t kDescription[] = L"8.2 Equipment Driver 2.0";
constexpr wchar_t kThreadingModel[] = L"Apartment";

std::wstring g_module;  // as given, and as the registry should hold it
std::wstring g_registeredPath;

std::string Narrow(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(size > 0 ? size - 1 : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, result.data(), size, nullptr, nullptr);
  return result;
}

// A path with a blank is registered in its short form.
std::wstring RegisteredPath(const std::wstring& module) {
  wchar_t full[MAX_PATH] = {};
  GetFullPathNameW(module.c_str(), MAX_PATH, full, nullptr);
  std::wstring path = full;
  if (path.find(L' ') != std::wstring::npos) {
    wchar_t shortPath[MAX_PATH] = {};
    if (GetShortPathNameW(path.c_str(), shortPath, MAX_PATH) > 0) path = shortPath;
  }
  return path;
}

// regsvr32 with these options and the module; answers its exit status.
DWORD RunRegsvr32(const std::wstring& options) {
  std::wstring command = L"regsvr32.exe " + options + L" \"" + g_module + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return GetLastError() | 0x80000000u;
  }
  WaitForSingleObject(process.hProcess, 60000);
  DWORD status = STILL_ACTIVE;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return status;
}

struct RegValue {
  DWORD type = REG_NONE;
  std::wstring data;
};

std::optional<RegValue> ReadValue(HKEY root, const std::wstring& key, const wchar_t* name) {
  DWORD type = 0;
  DWORD size = 0;
  if (RegGetValueW(root, key.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
  if (RegGetValueW(root, key.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type, data.data(), &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  data.resize(wcsnlen(data.c_str(), data.size()));
  return RegValue{type, data};
}

bool KeyExists(HKEY root, const std::wstring& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

struct Hive {
  HKEY root;
  std::wstring prefix;  // the classes key under the root, with its trailing backslash
  std::string name;
};
const Hive kClassesRoot{HKEY_CLASSES_ROOT, L"", "HKCR"};
const Hive kMachineClasses{HKEY_LOCAL_MACHINE, L"Software\\Classes\\", "HKLM\\Software\\Classes"};
const Hive kUserClasses{HKEY_CURRENT_USER, L"Software\\Classes\\", "HKCU\\Software\\Classes"};

std::wstring ClassKey(const Hive& hive, const std::wstring& below = L"") {
  return hive.prefix + L"CLSID\\" + kClsid + below;
}
std::wstring ProgIdKey(const Hive& hive, const std::wstring& below = L"") {
  return hive.prefix + kProgId + below;
}

void ExpectString(const Hive& hive, const std::wstring& key, const wchar_t* name,
                  const std::wstring& expected, bool ignoreCase = false) {
  const std::string label = hive.name + "\\" + Narrow(key.substr(hive.prefix.size())) + " " +
                            (name ? Narrow(name) : "(default)");
  const std::optional<RegValue> value = ReadValue(hive.root, key, name);
  ASSERT_TRUE(value.has_value()) << label << " is missing";
  EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ)) << label << " is REG_SZ";
  if (ignoreCase) {
    EXPECT_EQ(CompareStringOrdinal(value->data.c_str(), -1, expected.c_str(), -1, TRUE), CSTR_EQUAL)
        << label << " = \"" << Narrow(value->data) << "\", expected \"" << Narrow(expected) << "\"";
  } else {
    EXPECT_EQ(Narrow(value->data), Narrow(expected)) << label;
  }
}

void ExpectClassKeys(const Hive& hive) {
  ExpectString(hive, ClassKey(hive), nullptr, kDescription);
  ExpectString(hive, ClassKey(hive, L"\\InprocServer32"), nullptr, g_registeredPath, true);
  ExpectString(hive, ClassKey(hive, L"\\InprocServer32"), L"ThreadingModel", kThreadingModel);
  ExpectString(hive, ClassKey(hive, L"\\ProgID"), nullptr, kProgId);
  ExpectString(hive, ProgIdKey(hive), nullptr, kDescription);
  ExpectString(hive, ProgIdKey(hive, L"\\Clsid"), nullptr, kClsid);
}

void ExpectClassKeysAbsent(const Hive& hive) {
  EXPECT_FALSE(KeyExists(hive.root, ClassKey(hive)))
      << hive.name << "\\CLSID\\" << Narrow(kClsid) << " is gone";
  EXPECT_FALSE(KeyExists(hive.root, ProgIdKey(hive)))
      << hive.name << "\\" << Narrow(kProgId) << " is gone";
}

class Registration : public ::testing::Test {
 protected:
  // Back to the fixture's state: registered machine-wide, nothing per user.
  void TearDown() override {
    RunRegsvr32(L"/s /u /n /i:user");
    EXPECT_EQ(RunRegsvr32(L"/s"), 0u) << "regsvr32 /s (machine-wide, again) succeeds";
    ExpectString(kClassesRoot, ClassKey(kClassesRoot, L"\\InprocServer32"), nullptr,
                 g_registeredPath, true);
    ExpectClassKeysAbsent(kUserClasses);
  }
};

TEST_F(Registration, machine_wide) {
  ASSERT_EQ(GetFileAttributesW(g_module.c_str()) == INVALID_FILE_ATTRIBUTES, false)
      << "the module " << Narrow(g_module) << " exists";
  RunRegsvr32(L"/s /u /n /i:user");
  ASSERT_EQ(RunRegsvr32(L"/s"), 0u) << "regsvr32 /s (machine-wide) succeeds";
  ExpectClassKeys(kClassesRoot);
  ExpectString(kMachineClasses, ClassKey(kMachineClasses, L"\\InprocServer32"), nullptr,
               g_registeredPath, true);
  ExpectClassKeysAbsent(kUserClasses);

  EXPECT_EQ(RunRegsvr32(L"/s /u"), 0u) << "regsvr32 /s /u (machine-wide) succeeds";
  ExpectClassKeysAbsent(kClassesRoot);
}

TEST_F(Registration, per_user) {
  ASSERT_EQ(RunRegsvr32(L"/s /u"), 0u) << "regsvr32 /s /u (machine-wide) succeeds";
  ASSERT_EQ(RunRegsvr32(L"/s /n /i:USER"), 0u) << "regsvr32 /s /n /i:USER (per user) succeeds";
  ExpectClassKeys(kUserClasses);
  ExpectClassKeysAbsent(kMachineClasses);

  EXPECT_EQ(RunRegsvr32(L"/s /u /n /i:user"), 0u)
      << "regsvr32 /s /u /n /i:user (per user) succeeds";
  ExpectClassKeysAbsent(kUserClasses);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc < 2) {
    std::fputs("usage: e2e_registration MODULE_PATH [GoogleTest options]\n", stderr);
    return 64;
  }
  g_module = argv[1];
  g_registeredPath = RegisteredPath(g_module);
  return RUN_ALL_TESTS();
}
