#include "CurlHttpTransport.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace equ::posix {

namespace {

struct EasyDeleter {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct ListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;
using HeaderList = std::unique_ptr<curl_slist, ListDeleter>;

void InitializeCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// What one exchange collects while curl runs it.
struct Exchange {
  std::string requestHead;
  std::string responseHead;
  std::string responseBody;
};

size_t CollectBody(char* data, size_t size, size_t count, void* exchange) {
  static_cast<Exchange*>(exchange)->responseBody.append(data, size * count);
  return size * count;
}

size_t CollectResponseHead(char* data, size_t size, size_t count, void* exchange) {
  static_cast<Exchange*>(exchange)->responseHead.append(data, size * count);
  return size * count;
}

int CollectRequestHead(CURL*, curl_infotype type, char* data, size_t size, void* exchange) {
  if (type == CURLINFO_HEADER_OUT) static_cast<Exchange*>(exchange)->requestHead.append(data, size);
  return 0;
}

bool AppendHeader(HeaderList& list, const std::string& line) {
  curl_slist* grown = curl_slist_append(list.get(), line.c_str());
  if (grown == nullptr) return false;
  (void)list.release();
  list.reset(grown);
  return true;
}

HttpResponse Failure(std::string_view message) {
  HttpResponse response;
  response.error = Utf8ToWide(message);
  return response;
}

}  // namespace

CurlHttpTransport::CurlHttpTransport(std::string caFile) : caFile_(std::move(caFile)) {}

HttpResponse CurlHttpTransport::Send(const HttpRequest& request,
                                     HttpTrafficWatcher* watcher) const {
  InitializeCurlOnce();
  const EasyHandle easy(curl_easy_init());
  if (!easy) return Failure("curl_easy_init failed");

  HeaderList headers;
  bool listBuilt = AppendHeader(headers, "Accept: " + request.accept) &&
                   AppendHeader(headers, "Content-Type: " + request.contentType) &&
                   AppendHeader(headers, "Expect:");
  for (const HttpHeader& header : request.headers) {
    // "Name;" is curl's way of sending a header whose value is empty.
    listBuilt = listBuilt &&
                AppendHeader(headers, header.value.empty() ? header.name + ";"
                                                           : header.name + ": " + header.value);
  }
  if (!listBuilt) return Failure("curl_slist_append failed");

  Exchange exchange;
  char errorBuffer[CURL_ERROR_SIZE] = {};
  CURL* handle = easy.get();
  curl_easy_setopt(handle, CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorBuffer);
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());
  if (!request.userAgent.empty())
    curl_easy_setopt(handle, CURLOPT_USERAGENT, request.userAgent.c_str());
  if (!caFile_.empty()) curl_easy_setopt(handle, CURLOPT_CAINFO, caFile_.c_str());
  if (request.verb == HttpVerb::Post) {
    curl_easy_setopt(handle, CURLOPT_POST, 1L);
    curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE,
                     static_cast<curl_off_t>(request.body.size()));
    curl_easy_setopt(handle, CURLOPT_POSTFIELDS, request.body.data());
  } else {
    curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
  }
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, CollectBody);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &exchange);
  curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, CollectResponseHead);
  curl_easy_setopt(handle, CURLOPT_HEADERDATA, &exchange);
  // The debug callback is curl's only view of the request head as sent; it needs VERBOSE.
  curl_easy_setopt(handle, CURLOPT_DEBUGFUNCTION, CollectRequestHead);
  curl_easy_setopt(handle, CURLOPT_DEBUGDATA, &exchange);
  curl_easy_setopt(handle, CURLOPT_VERBOSE, 1L);

  const CURLcode result = curl_easy_perform(handle);
  if (watcher != nullptr && !exchange.requestHead.empty()) {
    watcher->Sent(exchange.requestHead,
                  request.verb == HttpVerb::Post ? std::string_view(request.body) : "");
  }
  if (result != CURLE_OK) {
    return Failure(errorBuffer[0] != '\0' ? errorBuffer : curl_easy_strerror(result));
  }
  if (watcher != nullptr) watcher->Received(exchange.responseHead, exchange.responseBody);

  HttpResponse response;
  long status = 0;
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
  response.delivered = true;
  response.status = static_cast<int>(status);
  response.body = std::move(exchange.responseBody);
  return response;
}

}  // namespace equ::posix

namespace equ {

std::unique_ptr<HttpTransport> CreatePlatformHttpTransport(const std::string& caFile) {
  return std::make_unique<posix::CurlHttpTransport>(caFile);
}

}  // namespace equ
