#include "HTTPRest.h"

#include <utility>

#include "TrafficLog.h"
#include "equipment/common/Exceptions.h"
#include "equipment/common/LogTimeStamp.h"
#include "platform/Clock.h"
#include "platform/Folders.h"
#include "platform/LogFiles.h"

namespace equ {

namespace {

constexpr char16_t kCompanyFolder[] = u"Movak";
constexpr char16_t kProductFolder[] = u"a_vorn";
constexpr char16_t kLogsFolder[] = u"logs";

WideString WithTrailingDelimiter(WideString path, char16_t delimiter) {
  if (path.empty() || path.back() != delimiter) path += delimiter;
  return path;
}

bool IsSuccessStatus(int status) {
  return status >= 200 && status < 300;
}

}  // namespace

WideString GetLogFolder(const Folders& folders) {
  auto common = folders.SpecialFolder(kFolderCommonAppData);
  if (!common) common = folders.SpecialFolder(kFolderAppData);
  if (!common) return WideString();
  WideString base = *common;
  const char16_t delimiter = folders.PathDelimiter();
  while (!base.empty() && base.back() == delimiter) base.pop_back();
  return base + delimiter + kCompanyFolder + delimiter + kProductFolder;
}

THTTPRest::THTTPRest(THTTPRestPorts ports, bool ALogEnabled)
    : ports_(std::move(ports)), FLogEnabled(ALogEnabled) {
  FIdHTTPClient.transport = ports_.transport;
}

void THTTPRest::AddCustomHeader(const WideString& name, const WideString& value) {
  FIdHTTPClient.customHeaders.push_back({WideToUtf8(name), WideToUtf8(value)});
}

WideString THTTPRest::PrepareLogFile() const {
  const Folders& folders = *ports_.folders;
  const char16_t delimiter = folders.PathDelimiter();
  WideString folder;
  if (!FLogDir.empty()) {
    folder = WithTrailingDelimiter(FLogDir, delimiter);
  } else {
    const WideString moduleFolder = GetLogFolder(folders);
    if (moduleFolder.empty()) throw Exception(u"Не удалось получить папку данных приложений");
    folder = moduleFolder + delimiter + kLogsFolder + delimiter;
  }
  if (!folders.DirectoryExists(folder)) {
    if (!folders.ForceDirectories(folder)) {
      throw Exception(u"Не удалось создать папку журнала обмена: " + folder);
    }
    const PortStatus granted = folders.GrantEveryoneAccess(folder);
    if (!granted) throw Exception(granted.error());
  }
  return folder + u"http_" + LogFileDate(ports_.clock->Now()) + u".log";
}

HttpRequest THTTPRest::BuildRequest(TMethodType AMethod, const WideString& APath,
                                    const WideString& AData) const {
  HttpRequest request;
  request.verb = AMethod == TMethodType::mtPost ? HttpVerb::Post : HttpVerb::Get;
  request.url = WideToUtf8(FServerAddress + APath);
  request.userAgent = FIdHTTPClient.userAgent;
  request.accept = FIdHTTPClient.accept;
  request.contentType = FIdHTTPClient.contentType + "; charset=" + FIdHTTPClient.charset;
  request.headers = FIdHTTPClient.customHeaders;
  if (request.verb == HttpVerb::Post) request.body = WideToUtf8(AData);
  return request;
}

void THTTPRest::MakeRequest(TMethodType AMethod, const WideString& APath, const WideString& AData,
                            WideString& AResponse, std::int32_t& ACode,
                            WideString& AResultDescription) noexcept {
  AResponse.clear();
  AResultDescription.clear();
  ACode = -1;
  try {
    Perform(AMethod, APath, AData, AResponse, ACode, AResultDescription);
  } catch (const std::exception& e) {
    ACode = -1;
    AResultDescription = ExceptionMessage(e);
  } catch (...) {
    ACode = -1;
    AResultDescription = u"Неизвестная ошибка HTTP-запроса";
  }
}

void THTTPRest::Perform(TMethodType AMethod, const WideString& APath, const WideString& AData,
                        WideString& AResponse, std::int32_t& ACode,
                        WideString& AResultDescription) {
  const WideString logFile = PrepareLogFile();
  if (AMethod == TMethodType::mtDelete) {
    ACode = -1;
    AResultDescription = u"Метод DELETE клиентом не поддерживается: запрос не отправлен";
    return;
  }
  if (FLogEnabled) {
    // The file must be writable.
    const PortStatus writable = ports_.logFiles->Append(logFile, {}, false);
    if (!writable) throw Exception(writable.error());
  }

  TrafficLog log(*ports_.logFiles, *ports_.clock, logFile);
  const HttpResponse reply =
      ports_.transport->Send(BuildRequest(AMethod, APath, AData), FLogEnabled ? &log : nullptr);
  if (!reply.delivered) {
    if (FLogEnabled) log.Failed(reply.error);
    ACode = -1;
    AResultDescription = reply.error;
    return;
  }
  ACode = reply.status;
  if (IsSuccessStatus(reply.status)) {
    AResponse = Utf8ToWide(reply.body);
  } else {
    AResultDescription = Utf8ToWide(reply.body);
    if (AResultDescription.empty()) AResultDescription = u"HTTP " + IntToWide(reply.status);
  }
}

}  // namespace equ
