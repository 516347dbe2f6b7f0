// payment_tool: runs the acquiring operations of TVornDriver from the command line against a
// payment service, for integrators. The scanner driver can be loaded beside it through COM,
// in this process, so that a wallet code scanned during a payment arrives through the mailbox.
#include <windows.h>
#include <objbase.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "equipment/common/Exceptions.h"
#include "equipment/common/a_vorn/VornDriver.h"
#include "platform/PlatformPorts.h"
#include "platform/win32/ComDispatchObject.h"
#include "platform/win32/ComDispatchPort.h"
#include "platform/win32/WinHandles.h"
#include "platform/win32/WinText.h"
#include "tools/test_host/HostManager.h"

namespace {

using equ::DispatchArgument;
using equ::SafeArray;
using equ::Variant;
using equ::WideString;

constexpr char kUsage[] =
    "Usage: payment_tool --service URL [options] COMMAND [COMMAND...]\n"
    "Opens the acquiring driver against a payment service and runs the commands in order,\n"
    "printing each step, the RRN, the receipt number and the receipt text.\n"
    "\n"
    "Commands:\n"
    "  pay AMOUNT [MODE]      pay; MODE 0 (default): the customer's wallet code is scanned,\n"
    "                         1: the shop's QR code is shown on the customer display\n"
    "  refund AMOUNT RRN      return money of the charge RRN\n"
    "  cancel AMOUNT RRN      cancel the payment (or the refund) RRN\n"
    "  reversal               undo the last completed operation of this run\n"
    "  auth                   request a new authorization token and print it\n"
    "  revoke TOKEN           revoke a token\n"
    "  (\"last\" as an RRN stands for the RRN of the previous command)\n"
    "\n"
    "Options:\n"
    "  --service URL          the service's base address, ending with /\n"
    "  --app-token TEXT       the application token (default app-token-0001)\n"
    "  --terminal KEY         the terminal key (default TERM-0001)\n"
    "  --token TEXT           the authorization token (default: requested with auth first)\n"
    "  --currency CODE        the currency (default RUB)\n"
    "  --display ADDRESS:PORT the customer display (default 127.0.0.1:9100)\n"
    "  --header TEXT          the receipt header shown on the display\n"
    "  --invoice-timeout S    seconds to wait for the invoice to be paid (default 60)\n"
    "  --read-timeout S       seconds to wait for the customer's code (default 60)\n"
    "  --log-dir DIR          the HTTP traffic log's folder\n"
    "  --scanner serial:N     load the scanner driver Ovex.MorvanelV41 through COM on COM N\n"
    "  --scanner keyboard     ... or as a keyboard-wedge scanner\n"
    "  --trust FILE           trust the service's certificate (PEM) for this run: it is put\n"
    "                         into the machine's root store and taken out at the end (for a\n"
    "                         local test service with a self-signed certificate)\n"
    "  --help                 this text\n"
    "\n"
    "The exit status is 0 when every command succeeded.\n";

struct Options {
  equ::TVornConfiguration configuration;
  std::vector<std::vector<WideString>> commands;
  WideString scanner;
  WideString trust;
};

void Print(const WideString& line) {
  const std::string bytes = equ::WideToUtf8(line) + "\n";
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fflush(stdout);
}

int Count(const WideString& text) {
  return std::atoi(equ::WideToUtf8(text).c_str());
}

// "150", "150.5" or "150.25" as a currency value.
bool ParseAmount(const WideString& text, equ::Currency& amount) {
  const std::string digits = equ::WideToUtf8(text);
  char* end = nullptr;
  const double value = std::strtod(digits.c_str(), &end);
  if (digits.empty() || *end != '\0' || value <= 0) return false;
  amount = equ::Currency{static_cast<std::int64_t>(value * 10000 + 0.5)};
  return true;
}

std::size_t Arity(const WideString& command) {
  if (command == u"pay") return 1;
  if (command == u"refund" || command == u"cancel") return 2;
  if (command == u"revoke") return 1;
  if (command == u"reversal" || command == u"auth") return 0;
  return SIZE_MAX;
}

bool ParseOptions(int argc, wchar_t** argv, Options& options) {
  equ::TVornConfiguration& c = options.configuration;
  c.AApplicationToken = u"app-token-0001";
  c.ATerminalKey = u"TERM-0001";
  c.ACurrency = u"RUB";
  c.AReceiptRowLength = 32;
  c.ADisplayAddress = u"127.0.0.1";
  c.ADisplayPort = 9100;
  c.ACheckHeader = u"Чек";
  c.ADuration = 60;
  c.AInvoiceTimeout = 60;
  c.ABarcodeReadTimeout = 60;
  for (int i = 1; i < argc; ++i) {
    const WideString arg = equ::win32::FromWide(argv[i]);
    const auto value = [&]() -> WideString {
      return i + 1 < argc ? equ::win32::FromWide(argv[++i]) : WideString();
    };
    if (arg == u"--help") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    } else if (arg == u"--service") {
      c.AServerAddress = value();
    } else if (arg == u"--app-token") {
      c.AApplicationToken = value();
    } else if (arg == u"--terminal") {
      c.ATerminalKey = value();
    } else if (arg == u"--token") {
      c.AAuthorizationToken = value();
    } else if (arg == u"--currency") {
      c.ACurrency = value();
    } else if (arg == u"--display") {
      const WideString display = value();
      const std::size_t colon = display.find(u':');
      if (colon == WideString::npos) return false;
      c.ADisplayAddress = display.substr(0, colon);
      c.ADisplayPort = Count(display.substr(colon + 1));
    } else if (arg == u"--header") {
      c.ACheckHeader = value();
    } else if (arg == u"--invoice-timeout") {
      c.AInvoiceTimeout = Count(value());
    } else if (arg == u"--read-timeout") {
      c.ABarcodeReadTimeout = Count(value());
    } else if (arg == u"--log-dir") {
      c.AHTTPLogDir = value();
    } else if (arg == u"--scanner") {
      options.scanner = value();
    } else if (arg == u"--trust") {
      options.trust = value();
    } else if (Arity(arg) != SIZE_MAX) {
      std::vector<WideString> command{arg};
      for (std::size_t n = 0; n < Arity(arg) && i + 1 < argc; ++n) command.push_back(value());
      // "pay AMOUNT MODE": the mode is optional.
      if (arg == u"pay" && i + 1 < argc && (argv[i + 1][0] == L'0' || argv[i + 1][0] == L'1') &&
          argv[i + 1][1] == 0) {
        command.push_back(value());
      }
      if (command.size() < Arity(arg) + 1) return false;
      options.commands.push_back(command);
    } else {
      return false;
    }
  }
  return !c.AServerAddress.empty() && !options.commands.empty();
}

// The scanner driver loaded through COM with a manager that prints its calls.
class Scanner {
 public:
  bool Load(const WideString& kind) {
    CLSID clsid{};
    if (FAILED(CLSIDFromProgID(L"Ovex.MorvanelV41", &clsid))) {
      Print(u"scanner: the driver Ovex.MorvanelV41 is not registered");
      return false;
    }
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                dispatch_.put_void()))) {
      Print(u"scanner: cannot create Ovex.MorvanelV41");
      return false;
    }
    port_ = std::make_unique<equ::win32::ComDispatchPort>(dispatch_.get());
    auto manager = equ::MakeObject<equ::tools::THostManager>(
        std::map<WideString, WideString>{{u"ModelsFolder", u"C:\\PaymentTool\\Models\\"},
                                         {u"DevicesFolder", u"C:\\PaymentTool\\Devices\\"},
                                         {u"Language", u"ru"}},
        [](const WideString& line) { Print(u"scanner: " + line); });
    manager_ = equ::win32::ComPtr<equ::win32::ComDispatchObject>::Adopt(
        new equ::win32::ComDispatchObject(std::move(manager)));
    const Variant managerValue(std::shared_ptr<equ::DispatchPort>(
        std::make_shared<equ::win32::ComDispatchPort>(manager_.get())));
    bool ok = CallPrivate(u"Init", managerValue) && CallPrivate(u"Open", Variant(u"PaymentTool"));
    std::map<WideString, WideString> settings;
    if (kind.rfind(u"serial:", 0) == 0) {
      settings = {{u"InterfaceType", u"0"}, {u"PortNumber", kind.substr(7)}};
    } else {
      settings = {{u"InterfaceType", u"1"}};
    }
    ok = ok && ApplySettings(settings) && CallPublic(u"Enable", Variant());
    Print(ok ? u"scanner: enabled" : u"scanner: not enabled");
    return ok;
  }

  ~Scanner() {
    if (!port_) return;
    CallPublic(u"Disable", Variant());
    port_->CallMethod(u"Close", {});
  }

 private:
  bool CallPublic(const char16_t* name, Variant inData, Variant* outData = nullptr) {
    DispatchArgument args[] = {{std::move(inData), false}, {Variant(), true}, {Variant(0), false}};
    const bool ok = port_->CallMethod(name, args).ToBool();
    if (outData != nullptr) *outData = args[1].value;
    return ok;
  }
  bool CallPrivate(const char16_t* name, Variant argument) {
    DispatchArgument args[] = {{std::move(argument), false}, {Variant(), true}};
    return port_->CallMethod(name, args).ToBool();
  }
  bool ApplySettings(const std::map<WideString, WideString>& settings) {
    Variant table;
    if (!CallPublic(u"GetSettings", Variant(), &table)) return false;
    SafeArray& rows = *table.Array()->At(0).Array();
    const auto columns = static_cast<std::int32_t>(rows.Bounds()[1].count);
    for (std::int32_t j = 0; j < columns; ++j) {
      const std::int32_t idIndex[] = {0, j};
      const std::int32_t valueIndex[] = {1, j};
      for (const auto& [id, value] : settings) {
        if (equ::SameTextAscii(rows.Find(idIndex)->ToString(), id))
          *rows.Find(valueIndex) = Variant(value);
      }
    }
    return CallPublic(u"SetSettings", table);
  }

  equ::win32::ComPtr<IDispatch> dispatch_;
  equ::win32::ComPtr<equ::win32::ComDispatchObject> manager_;
  std::unique_ptr<equ::win32::ComDispatchPort> port_;
};

struct StoreCloser {
  void operator()(HCERTSTORE store) const { CertCloseStore(store, 0); }
};
using CertificateStore = std::unique_ptr<void, StoreCloser>;

CertificateStore OpenMachineRoot() {
  return CertificateStore(
      CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root"));
}

// A certificate in the machine's root store while the object lives. A registry store writes
// its changes when it is closed: only then does the chain engine see them.
class TrustedCertificate {
 public:
  bool Add(const WideString& pemFile) {
    std::ifstream in(equ::win32::WidePtr(pemFile), std::ios::binary);
    std::stringstream pem;
    pem << in.rdbuf();
    const std::string text = pem.str();
    DWORD size = 0;
    if (!CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()),
                              CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr)) {
      return false;
    }
    der_.assign(size, '\0');
    if (!CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()),
                              CRYPT_STRING_BASE64HEADER, Der(), &size, nullptr, nullptr)) {
      return false;
    }
    const CertificateStore root = OpenMachineRoot();
    added_ = root && CertAddEncodedCertificateToStore(root.get(), X509_ASN_ENCODING, Der(), size,
                                                      CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    return added_;
  }
  ~TrustedCertificate() {
    if (!added_) return;
    const CertificateStore root = OpenMachineRoot();
    PCCERT_CONTEXT ours =
        CertCreateCertificateContext(X509_ASN_ENCODING, Der(), static_cast<DWORD>(der_.size()));
    if (root && ours != nullptr) {
      PCCERT_CONTEXT stored = CertFindCertificateInStore(root.get(), X509_ASN_ENCODING, 0,
                                                         CERT_FIND_EXISTING, ours, nullptr);
      if (stored != nullptr) CertDeleteCertificateFromStore(stored);  // frees `stored`
    }
    if (ours != nullptr) CertFreeCertificateContext(ours);
  }

 private:
  BYTE* Der() { return reinterpret_cast<BYTE*>(der_.data()); }
  std::string der_;
  bool added_ = false;
};

void PrintOutcome(const WideString& rrn, const WideString& receiptNum, const WideString& receipt) {
  Print(u"RRN: " + rrn);
  Print(u"receipt number: " + receiptNum);
  Print(u"receipt:");
  std::string text = equ::WideToUtf8(receipt);
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

// Runs one command; false when it failed (the failure is printed).
bool RunCommand(equ::TVornDriver& driver, const std::vector<WideString>& command,
                WideString& last) {
  const WideString& name = command[0];
  Print(u"> " + name);
  try {
    WideString rrn, receiptNum, receipt;
    equ::Currency amount;
    if (name == u"auth") {
      WideString token;
      driver.AuthenticationRequest(token);
      Print(u"token: " + token);
      last = token;
      return true;
    }
    if (name == u"revoke") {
      driver.AuthenticationRevoke(command[1] == u"last" ? last : command[1]);
      Print(u"revoked");
      return true;
    }
    if (name == u"reversal") {
      driver.EmergencyReversal();
      Print(u"reversed");
      return true;
    }
    if (!ParseAmount(command[1], amount)) {
      Print(u"not an amount: " + command[1]);
      return false;
    }
    if (name == u"pay") {
      const int mode = command.size() > 2 ? Count(command[2]) : 0;
      Print(mode == 0 ? u"waiting for the customer's wallet code"
                      : u"showing the invoice on the customer display");
      driver.PayByPaymentCard(mode, amount, rrn, receiptNum, receipt);
    } else {
      rrn = command[2] == u"last" ? last : command[2];
      if (name == u"refund") {
        driver.ReturnPaymantByPaymantCard(amount, rrn, receiptNum, receipt);
      } else {
        driver.CancelPaymentByPaymentCard(amount, rrn, receiptNum, receipt);
      }
    }
    PrintOutcome(rrn, receiptNum, receipt);
    last = rrn;
    return true;
  } catch (const std::exception& e) {
    Print(u"failed: " + equ::ExceptionMessage(e));
    return false;
  }
}

int Run(const Options& options) {
  TrustedCertificate trusted;
  if (!options.trust.empty() && !trusted.Add(options.trust)) {
    Print(u"cannot trust the certificate " + options.trust);
    return 2;
  }
  Scanner scanner;
  if (!options.scanner.empty() && !scanner.Load(options.scanner)) return 2;
  equ::TVornDriver driver(equ::AcquiringPortsOf(equ::Platform()));
  equ::TVornConfiguration configuration = options.configuration;
  driver.Open(configuration);
  if (configuration.AAuthorizationToken.empty()) {
    driver.AuthenticationRequest(configuration.AAuthorizationToken);
    Print(u"authorized, token " + configuration.AAuthorizationToken);
    driver.Open(configuration);
  }
  bool ok = true;
  WideString last;
  for (const auto& command : options.commands) ok = RunCommand(driver, command, last) && ok;
  driver.Close();
  Print(ok ? u"DONE" : u"DONE with failures");
  return ok ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fputs(kUsage, stderr);
    return 64;
  }
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  int status = 2;
  try {
    status = Run(options);
  } catch (const std::exception& e) {
    Print(u"failed: " + equ::ExceptionMessage(e));
  }
  CoUninitialize();
  return status;
}
