// The web service that hosts the component: every public class, late bound
// through server/, over HTTP with JSON.
//
//   POST /v1/{ProgID}/{Method}   {"options": {...}, "args": {...}}
//        -> {"result": ..., "args": {every argument after the call},
//            "events": [{"name": "Progress", "args": [...]}, ...]}
//        With "Accept: text/event-stream", the answer is server-sent events:
//        "event: Progress" with each event as it is raised, then "event:
//        result" (or "event: error") with the answer above.
//   GET  /v1/classes             the ProgIDs with their members, arguments, DISPIDs
//   GET  /healthz                {"status": "ok"}
//   GET  /metrics                requests, failures and latency per class and member
//                                (Prometheus text format)
//
// Each request runs on a worker thread that creates, uses and releases its
// own object; the thread's caller state (property string, message language)
// is forgotten before and after. At most `max_concurrent` calls run at once;
// one more waits up to `queue_wait_ms` and then gets 503. A bad request (JSON
// that cannot be read, an unknown ProgID or member, an argument of the wrong
// type or one the member lacks, a Filter when Filters are not allowed, a body
// over the size limit, a missing or wrong token) gets a 4xx answer with
// {"error": "..."} and runs nothing. "X-Corvane-Language: ENG" (or CHT, CHS)
// picks the message language of the request.
//
// Threads: Start and Stop from one controlling thread; requests are served
// on the server's worker threads.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <ostream>
#include <semaphore>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

namespace httplib {
class Server;
struct Request;
}

namespace corvane::service {

struct ServiceOptions {
  std::string address = "127.0.0.1";
  int port = 8080;               // 0: any free port (see Service::port)
  std::string token;             // required when the address is not loopback
  int max_concurrent = 8;        // calls running at once
  int queue_wait_ms = 2000;      // how long one more call waits for a turn
  size_t max_body_bytes = 64u << 20;
  int read_timeout_s = 30;
  int write_timeout_s = 300;
  bool allow_filter = false;     // the Filter option is raw SQL
};

class Service {
 public:
  // `log`: one access line per request (nullptr: none).
  Service(ServiceOptions options, std::ostream* log);
  ~Service();
  Service(const Service&) = delete;
  Service& operator=(const Service&) = delete;

  // Binds and starts serving on a thread of its own; false, with `error`
  // saying why, when the options are refused or the address cannot be bound.
  bool Start(std::string& error);
  // Stops taking connections and waits for the requests being served.
  void Stop();
  // The port bound (the free port chosen for port 0).
  int port() const { return port_; }

 private:
  struct Metric {
    uint64_t requests = 0, failures = 0;
    double seconds = 0;
  };
  // A call as the request asks for it, checked.
  struct Call {
    nlohmann::json options, args;
    std::string language;
  };
  // What a call answered: its status and JSON body; whether it ran, and
  // whether it failed (False or an error).
  struct Outcome {
    int status = 200;
    nlohmann::json body;
    bool ran = false;
    bool failed = false;
  };
  void Routes();
  // Reads and checks the request; raises a refusal (4xx) before anything runs.
  Call Prepare(const httplib::Request& req, const std::string& prog_id) const;
  // Runs the call on this worker thread, handing each event to `on_event`.
  Outcome Run(const Call& call, const std::string& prog_id, const std::string& member,
              const std::function<void(const nlohmann::json&)>& on_event) const;
  void Record(const std::string& prog_id, const std::string& member, bool failed, double seconds);
  std::string Metrics();

  ServiceOptions options_;
  std::ostream* log_;
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  int port_ = 0;
  std::counting_semaphore<1 << 16> turns_;
  std::mutex metrics_mutex_;
  std::map<std::pair<std::string, std::string>, Metric> metrics_;
  std::mutex log_mutex_;
};

// Whether `address` is a loopback address (127.0.0.0/8, ::1, localhost).
bool IsLoopback(const std::string& address);

// Compares two texts in time that does not depend on where they differ.
bool SameToken(const std::string& a, const std::string& b);

}  // namespace corvane::service
