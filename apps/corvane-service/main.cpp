// corvane-service: the web service that hosts the component (service.h).
//
//   corvane-service [--address 127.0.0.1] [--port 8080] [--token T]
//                   [--max-concurrent 8] [--queue-wait-ms 2000]
//                   [--max-body-mb 64] [--allow-filter]
//
// The token may come from $CORVANE_SERVICE_TOKEN instead of the command line
// (where other users of the machine would see it). SIGTERM and SIGINT stop
// taking connections and let the requests being served finish. One JSON
// access line per request goes to standard output; errors to standard error.
#include <CLI/CLI.hpp>
#include <csignal>
#include <cstdlib>
#include <iostream>

#include "apps/corvane-service/service.h"
#include "platform/platform_components.h"
#include "server/registration.h"

int main(int argc, char** argv) {
  corvane::service::ServiceOptions options;
  size_t max_body_mb = options.max_body_bytes >> 20;
  CLI::App app{"The web service that hosts the Corvane component"};
  app.add_option("--address", options.address, "Address to listen on")->capture_default_str();
  app.add_option("--port", options.port, "Port (0: any free port)")->capture_default_str();
  app.add_option("--token", options.token,
                 "API token callers give as \"Authorization: Bearer T\" (required off loopback; "
                 "also $CORVANE_SERVICE_TOKEN)");
  app.add_option("--max-concurrent", options.max_concurrent, "Calls running at once")
      ->check(CLI::Range(1, 1024))
      ->capture_default_str();
  app.add_option("--queue-wait-ms", options.queue_wait_ms,
                 "How long one more call waits for a turn before 503")
      ->check(CLI::Range(0, 600000))
      ->capture_default_str();
  app.add_option("--max-body-mb", max_body_mb, "Largest request body, MiB")
      ->check(CLI::Range(1, 1024))
      ->capture_default_str();
  app.add_flag("--allow-filter", options.allow_filter,
               "Let callers set the Filter option, which is raw SQL");
  CLI11_PARSE(app, argc, argv);
  options.max_body_bytes = max_body_mb << 20;
  if (options.token.empty())
    if (const char* token = std::getenv("CORVANE_SERVICE_TOKEN")) options.token = token;

  // The signals are taken by one thread that waits for them.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  corvane::platform::RegisterPlatformComponents();
  corvane::server::RegisterPublicClasses();
  corvane::service::Service service(options, &std::cout);
  std::string error;
  if (!service.Start(error)) {
    std::cerr << "corvane-service: " << error << "\n";
    return 2;
  }
  std::cerr << "corvane-service: listening on " << options.address << ":" << service.port()
            << "\n";
  int signal_number = 0;
  sigwait(&signals, &signal_number);
  std::cerr << "corvane-service: stopping; the requests being served finish first\n";
  service.Stop();
  return 0;
}
