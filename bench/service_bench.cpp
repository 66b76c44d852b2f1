// The web service under load on loopback: 8 clients, each making CALLS export
// calls (clsSaleOrder.Export, a page of 10 orders of a 100-order account) on a
// kept-alive connection, every answer checked against the page the component
// gives in-process; beside it the same calls made in-process on 8 threads
// through late binding. Prints requests per second and latency percentiles of
// both, and their ratio.
//
//   service_bench [CALLS]   (default 200 per client)
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "apps/corvane-service/service.h"
#include "bench_support.h"
#include "erpdb/demo_data.h"
#include "server/dispatch.h"
#include "server/registration.h"

namespace {

using json = nlohmann::json;
using Clock = std::chrono::steady_clock;
constexpr int kClients = 8;

struct Run {
  corvane::bench::Timing timing;
  std::vector<double> latencies_ms;
  int wrong = 0;
};

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t i = std::min(values.size() - 1, static_cast<size_t>(p * (values.size() - 1) + 0.5));
  return values[i];
}

// One export call in-process, through late binding; answers the page.
std::string ExportInProcess(const std::string& props) {
  auto object = corvane::server::CreateDispatchObject("Corvane.clsSaleOrder");
  std::vector<corvane::server::NamedArgument> args = {
      {"strPropsString", corvane::Variant(props)},
      {"strXML", corvane::Variant("")},
      {"lPerCount", corvane::Variant(int32_t{10})}};
  std::vector<corvane::Variant> all;
  object->InvokeNamed("Export", corvane::server::InvokeKind::Method, args, &all);
  return corvane::CStr(all[1]);
}

template <typename Call>
Run RunClients(int calls, const Call& call) {
  Run run;
  std::vector<std::vector<double>> latencies(kClients);
  std::atomic<int> wrong{0};
  run.timing = corvane::bench::Measure([&] {
    std::vector<std::thread> threads;
    for (int c = 0; c < kClients; ++c)
      threads.emplace_back([&, c] {
        auto each = call(c);
        for (int i = 0; i < calls; ++i) {
          const auto start = Clock::now();
          if (!each()) ++wrong;
          latencies[c].push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
      });
    for (std::thread& t : threads) t.join();
  });
  for (const auto& l : latencies) run.latencies_ms.insert(run.latencies_ms.end(), l.begin(), l.end());
  run.wrong = wrong;
  return run;
}

void Print(const char* role, const char* what, const Run& run) {
  corvane::bench::PrintTiming(role, what, static_cast<int>(run.latencies_ms.size()), "calls",
                              run.timing);
  std::printf("  %-9s latency p50 %.2f ms, p90 %.2f ms, p99 %.2f ms; wrong answers: %d\n", "",
              Percentile(run.latencies_ms, 0.5), Percentile(run.latencies_ms, 0.9),
              Percentile(run.latencies_ms, 0.99), run.wrong);
}

}  // namespace

int main(int argc, char** argv) {
  const int calls = argc > 1 ? std::atoi(argv[1]) : 200;
  if (calls <= 0) {
    std::fprintf(stderr, "usage: service_bench [CALLS per client]\n");
    return 2;
  }
  corvane::testing::TempDir dir;
  corvane::bench::UseBuildInstallation(dir);
  corvane::server::RegisterPublicClasses();
  corvane::erpdb::DemoOptions options;
  options.orders = 100;
  const std::string path = dir.File("acct.db");
  corvane::erpdb::CreateDemoAccount(path, options);
  const std::string props = corvane::bench::AccountProps(path);
  const std::string expected = ExportInProcess(props);

  corvane::service::ServiceOptions service_options;
  service_options.port = 0;
  service_options.max_concurrent = kClients;
  corvane::service::Service service(service_options, nullptr);
  std::string error;
  if (!service.Start(error)) {
    std::fprintf(stderr, "service_bench: %s\n", error.c_str());
    return 1;
  }
  const std::string body =
      json{{"args", {{"strPropsString", props}, {"strXML", ""}, {"lPerCount", 10}}}}.dump();

  std::printf("web service, %d clients x %d clsSaleOrder.Export calls (pages of 10), loopback\n",
              kClients, calls);
  const Run http = RunClients(calls, [&](int) {
    auto client = std::make_shared<httplib::Client>("127.0.0.1", service.port());
    client->set_keep_alive(true);
    client->set_tcp_nodelay(true);
    return [client, &body, &expected] {
      auto res = client->Post("/v1/Corvane.clsSaleOrder/Export", body, "application/json");
      if (!res || res->status != 200) return false;
      const json answer = json::parse(res->body, nullptr, false);
      return answer.is_object() && answer["result"] == true &&
             answer["args"]["strXML"] == expected;
    };
  });
  const Run in_process = RunClients(calls, [&](int) {
    return [&props, &expected] { return ExportInProcess(props) == expected; };
  });
  service.Stop();
  Print("service", "HTTP + JSON on loopback, kept-alive connections", http);
  Print("in-proc", "the same calls through late binding, 8 threads", in_process);
  std::printf("  ratio     service / in-process                     wall %8.2f x\n",
              in_process.timing.wall_s > 0 ? http.timing.wall_s / in_process.timing.wall_s : 0.0);
  return http.wrong == 0 && in_process.wrong == 0 ? 0 : 1;
}
