#include "WinHttpTransport.h"

#include <windows.h>
#include <winhttp.h>

#include <memory>
#include <string>

#include "WinText.h"

namespace equ::win32 {

namespace {

struct InternetHandleCloser {
  void operator()(void* handle) const { WinHttpCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetHandleCloser>;

// The text of a WinHTTP error: its own message table first, then the system's.
WideString WinHttpErrorText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
      GetModuleHandleW(L"winhttp.dll"), code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  WideString text;
  if (length > 0 && buffer != nullptr) text = FromWide(buffer, length);
  if (buffer != nullptr) LocalFree(buffer);
  if (text.empty()) text = SystemErrorText(code);
  while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' ')) {
    text.pop_back();
  }
  return text + u" (WinHTTP " + IntToWide(code) + u")";
}

HttpResponse Failure(const WideString& what) {
  HttpResponse response;
  response.error = what;
  return response;
}

HttpResponse LastErrorFailure() {
  return Failure(WinHttpErrorText(GetLastError()));
}

// Header texts go to WinHTTP as UTF-16 and come back as UTF-16; WinHTTP puts non-ASCII
// characters on the wire as UTF-8 (measured under Wine; the client's own headers are ASCII).
std::wstring WideText(const std::string& utf8) {
  const WideString wide = Utf8ToWide(utf8);
  return std::wstring(WidePtr(wide), wide.size());
}

std::wstring RequestHeaderBlock(const HttpRequest& request) {
  std::string block =
      "Accept: " + request.accept + "\r\nContent-Type: " + request.contentType + "\r\n";
  for (const HttpHeader& header : request.headers)
    block += header.name + ": " + header.value + "\r\n";
  return WideText(block);
}

std::string RawHeaders(HINTERNET requestHandle, DWORD which) {
  DWORD size = 0;
  WinHttpQueryHeaders(requestHandle, WINHTTP_QUERY_RAW_HEADERS_CRLF | which,
                      WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER, &size,
                      WINHTTP_NO_HEADER_INDEX);
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return std::string();
  std::wstring text(size / sizeof(wchar_t), L'\0');
  if (!WinHttpQueryHeaders(requestHandle, WINHTTP_QUERY_RAW_HEADERS_CRLF | which,
                           WINHTTP_HEADER_NAME_BY_INDEX, text.data(), &size,
                           WINHTTP_NO_HEADER_INDEX)) {
    return std::string();
  }
  text.resize(size / sizeof(wchar_t));
  return WideToUtf8(FromWide(text.c_str(), text.size()));
}

bool ReadBody(HINTERNET requestHandle, std::string& body) {
  for (;;) {
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(requestHandle, &available)) return false;
    if (available == 0) return true;
    const std::size_t start = body.size();
    body.resize(start + available);
    DWORD read = 0;
    if (!WinHttpReadData(requestHandle, body.data() + start, available, &read)) return false;
    body.resize(start + read);
    if (read == 0) return true;
  }
}

}  // namespace

HttpResponse WinHttpTransport::Send(const HttpRequest& request, HttpTrafficWatcher* watcher) const {
  const WideString url = Utf8ToWide(request.url);
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(WidePtr(url), 0, 0, &parts)) return LastErrorFailure();
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
  path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);

  const std::wstring agent = WideText(request.userAgent);
  const InternetHandle session(WinHttpOpen(agent.empty() ? nullptr : agent.c_str(),
                                           WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                           WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) return LastErrorFailure();
  const InternetHandle connection(WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
  if (!connection) return LastErrorFailure();
  const bool post = request.verb == HttpVerb::Post;
  const InternetHandle requestHandle(
      WinHttpOpenRequest(connection.get(), post ? L"POST" : L"GET", path.c_str(), nullptr,
                         WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                         parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0));
  if (!requestHandle) return LastErrorFailure();
  // A redirect is a reply like any other, as in the POSIX adapter: it is not followed.
  DWORD disabled = WINHTTP_DISABLE_REDIRECTS;
  if (!WinHttpSetOption(requestHandle.get(), WINHTTP_OPTION_DISABLE_FEATURE, &disabled,
                        sizeof disabled)) {
    return LastErrorFailure();
  }

  const std::wstring headers = RequestHeaderBlock(request);
  const DWORD bodySize = post ? static_cast<DWORD>(request.body.size()) : 0;
  void* body =
      post && bodySize > 0 ? const_cast<char*>(request.body.data()) : WINHTTP_NO_REQUEST_DATA;
  if (!WinHttpSendRequest(requestHandle.get(), headers.c_str(), static_cast<DWORD>(headers.size()),
                          body, bodySize, bodySize, 0)) {
    return LastErrorFailure();
  }
  if (watcher != nullptr) {
    watcher->Sent(RawHeaders(requestHandle.get(), WINHTTP_QUERY_FLAG_REQUEST_HEADERS),
                  post ? std::string_view(request.body) : "");
  }
  if (!WinHttpReceiveResponse(requestHandle.get(), nullptr)) return LastErrorFailure();

  DWORD status = 0;
  DWORD statusSize = sizeof status;
  if (!WinHttpQueryHeaders(
          requestHandle.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
          WINHTTP_HEADER_NAME_BY_INDEX, &status, &statusSize, WINHTTP_NO_HEADER_INDEX)) {
    return LastErrorFailure();
  }
  HttpResponse response;
  if (!ReadBody(requestHandle.get(), response.body)) return LastErrorFailure();
  if (watcher != nullptr) watcher->Received(RawHeaders(requestHandle.get(), 0), response.body);
  response.delivered = true;
  response.status = static_cast<int>(status);
  return response;
}

}  // namespace equ::win32

namespace equ {

std::unique_ptr<HttpTransport> CreatePlatformHttpTransport(const std::string& /*caFile*/) {
  return std::make_unique<win32::WinHttpTransport>();
}

}  // namespace equ
