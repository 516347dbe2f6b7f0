// payment_service: a local HTTPS stand-in for the payment service, for tests and integrators.
#include <httplib.h>
#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>

#include "PaymentService.h"

namespace {

constexpr char kUsage[] =
    "usage: payment_service --cert FILE --key FILE [--port N] [--bind ADDRESS]\n"
    "                       [--app-token TEXT]\n"
    "\n"
    "A local HTTPS payment service with in-memory state: terminal authentication, invoices,\n"
    "capture with a wallet, void, refunds, health and units. It prints its base address\n"
    "(https://localhost:PORT/) as the first line on standard output, then serves until\n"
    "SIGINT or SIGTERM.\n"
    "\n"
    "  --cert FILE       the server certificate (PEM), made for the name localhost\n"
    "  --key FILE        its private key (PEM)\n"
    "  --port N          the port to listen on (default 8443; 0 picks a free one)\n"
    "  --bind ADDRESS    the address to listen on (default 127.0.0.1)\n"
    "  --app-token TEXT  the application token clients must send (default app-token-0001)\n"
    "\n"
    "Test endpoints (not recorded): GET _control/requests (every request received, in\n"
    "order), POST _control/reset (forget them), POST _control/invoices/ID/paid (as if a\n"
    "wallet paid), POST _control/settings {\"tokenPrefix\": TEXT} (the form of new tokens).\n";

struct Options {
  std::string cert;
  std::string key;
  int port = 8443;
  std::string bind = "127.0.0.1";
  std::string appToken = "app-token-0001";
};

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      std::exit(0);
    }
    if (i + 1 >= argc) return false;
    const std::string value = argv[++i];
    if (arg == "--cert") {
      options.cert = value;
    } else if (arg == "--key") {
      options.key = value;
    } else if (arg == "--port") {
      options.port = std::atoi(value.c_str());
    } else if (arg == "--bind") {
      options.bind = value;
    } else if (arg == "--app-token") {
      options.appToken = value;
    } else {
      return false;
    }
  }
  return !options.cert.empty() && !options.key.empty() && options.port >= 0;
}

payment_service::RecordedRequest Record(const httplib::Request& request) {
  payment_service::RecordedRequest recorded{request.method, request.path, {}, request.body};
  for (const auto& [name, value] : request.headers) {
    // cpp-httplib adds these itself; they did not come from the client.
    if (name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" ||
        name == "LOCAL_PORT") {
      continue;
    }
    recorded.headers.emplace_back(name, value);
  }
  return recorded;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::cerr << kUsage;
    return 2;
  }

  // Signals are taken by a thread of their own, which stops the server cleanly.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  httplib::SSLServer server(options.cert.c_str(), options.key.c_str());
  if (!server.is_valid()) {
    std::cerr << "payment_service: cannot use the certificate " << options.cert << " and key "
              << options.key << "\n";
    return 1;
  }
  payment_service::PaymentService service(options.appToken);
  const auto handle = [&service](const httplib::Request& request, httplib::Response& response) {
    const payment_service::Reply reply = service.Handle(Record(request));
    response.status = reply.status;
    response.set_content(
        reply.body.dump(-1, ' ', false, payment_service::Json::error_handler_t::replace),
        "application/json; charset=utf-8");
  };
  server.Get(".*", handle);
  server.Post(".*", handle);
  server.Put(".*", handle);
  server.Delete(".*", handle);

  int port = options.port;
  if (port == 0) {
    port = server.bind_to_any_port(options.bind.c_str());
  } else if (!server.bind_to_port(options.bind.c_str(), port)) {
    port = -1;
  }
  if (port <= 0) {
    std::cerr << "payment_service: cannot listen on " << options.bind << ":" << options.port
              << "\n";
    return 1;
  }
  std::cout << "https://localhost:" << port << "/" << std::endl;

  std::thread stopper([&server, &stopSignals] {
    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.stop();
  });
  const bool served = server.listen_after_bind();
  if (!served) pthread_kill(stopper.native_handle(), SIGTERM);
  stopper.join();
  return served ? 0 : 1;
}
