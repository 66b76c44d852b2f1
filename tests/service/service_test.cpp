// The web service, started in-process on a free port and called with a real
// HTTP client.
#include "apps/corvane-service/service.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <nlohmann/json.hpp>
#include <mutex>
#include <set>
#include <string>
#include <functional>
#include <thread>
#include <vector>

#include "server/registration.h"
#include "support/demo_account.h"

namespace corvane::service {
namespace {

using json = nlohmann::json;
using testing::DemoAccount;

// A service on a free loopback port for the test, stopped at its end.
class Running {
 public:
  explicit Running(ServiceOptions options = {}) : service_([&] {
    options.port = 0;
    return options;
  }(), nullptr) {
    server::RegisterPublicClasses();
    std::string error;
    started_ = service_.Start(error);
    EXPECT_TRUE(started_) << error;
  }
  httplib::Client Client() const { return httplib::Client("127.0.0.1", service_.port()); }
  void Stop() { service_.Stop(); }

 private:
  Service service_;
  bool started_ = false;
};

json ExportArgs(const DemoAccount& account, int per_count, int user = 16394) {
  return {{"strPropsString", account.PropsString(user)},
          {"strXML", ""},
          {"lPerCount", per_count},
          {"strTimeStamp", ""},
          {"strMaxTimeStamp", ""},
          {"strError", ""}};
}

// The BillNo elements of an exported page, in order.
std::vector<std::string> BillNumbers(const std::string& xml) {
  std::vector<std::string> numbers;
  for (size_t at = 0; (at = xml.find("<BillNo>", at)) != std::string::npos;) {
    at += 8;
    numbers.push_back(xml.substr(at, xml.find('<', at) - at));
  }
  return numbers;
}

TEST(Service, ACallAnswersItsResultItsArgumentsAndItsEvents) {
  DemoAccount account;
  Running running;
  httplib::Client client = running.Client();
  const json body = {{"options", {{"bProgress", true}}}, {"args", ExportArgs(account, 4)}};
  auto res = client.Post("/v1/Corvane.clsSaleOrder/Export", body.dump(), "application/json");
  ASSERT_TRUE(res);
  ASSERT_EQ(res->status, 200) << res->body;
  const json answer = json::parse(res->body);
  EXPECT_EQ(answer["result"], true);
  EXPECT_EQ(answer["args"]["strError"], "");
  EXPECT_EQ(BillNumbers(answer["args"]["strXML"]),
            (std::vector<std::string>{"SO000001", "SO000002", "SO000003", "SO000004"}));
  EXPECT_EQ(answer["args"]["strTimeStamp"].get<std::string>().size(), 18u);
  ASSERT_EQ(answer["events"].size(), 4u);  // one Progress per document
  EXPECT_EQ(answer["events"][0]["name"], "Progress");
  EXPECT_EQ(answer["events"][3]["args"][0], 4);

  // The class list names every public class with its members and DISPIDs.
  auto classes = client.Get("/v1/classes");
  ASSERT_TRUE(classes);
  ASSERT_EQ(classes->status, 200);
  std::set<std::string> listed;
  const json listing = json::parse(classes->body);
  for (const json& c : listing["classes"]) {
    listed.insert(c["progId"]);
    EXPECT_FALSE(c["members"].empty()) << c.dump();
  }
  const std::vector<std::string> prog_ids = server::PublicProgIds();
  EXPECT_EQ(listed, std::set<std::string>(prog_ids.begin(), prog_ids.end()));
  auto health = client.Get("/healthz");
  ASSERT_TRUE(health);
  EXPECT_EQ(health->status, 200);
  auto metrics = client.Get("/metrics");
  ASSERT_TRUE(metrics);
  EXPECT_NE(metrics->body.find(
                "corvane_requests_total{class=\"Corvane.clsSaleOrder\",member=\"Export\"} 1"),
            std::string::npos)
      << metrics->body;
}

// Every public class answers through JSON: one method of each, with what its
// answer must hold.
TEST(Service, EveryPublicClassAnswersThroughJson) {
  DemoAccount account;
  Running running;
  httplib::Client client = running.Client();
  const std::string props = account.PropsString();
  const std::string log = account.dir().File("dts_log.xml");
  struct Case {
    std::string path;
    json body;
    const char* out;    // the argument that holds the answer's text
    const char* holds;  // something it must hold
  };
  const Case cases[] = {
      {"/v1/Corvane.clsSaleOrder/Export", {{"args", ExportArgs(account, 2)}}, "strXML", "<BillNo>"},
      {"/v1/Corvane.clsSaleInvoice/Export", {{"args", ExportArgs(account, 2)}}, "strXML",
       "<BillNo>"},
      {"/v1/Corvane.clsStockBill/Export",
       {{"options", {{"StockBillType", 5}}}, {"args", ExportArgs(account, 2)}}, "strXML",
       "<BillNo>"},
      {"/v1/Corvane.clsDataKey/ExportXMLDataKey",
       {{"args", {{"strPropsString", props}, {"iBillType", 1}, {"strXML", ""}}}}, "strXML",
       "<UUID>"},
      {"/v1/Corvane.CStockQuery/Export",
       {{"args", {{"sDSN", props}, {"sItemNumber", "M0001"}}}}, "sXML", "M0001"},
      {"/v1/Corvane.COrderTrace/Export",
       {{"args", {{"sDSN", props}, {"sSaleOrderNo", "SO000001"}}}}, "sXML", "SO000001"},
      {"/v1/Corvane.DTS/ExportXMLDataForWebService",
       {{"args",
         {{"sDSN", props}, {"lBaseType", 0}, {"sFile", ""}, {"sFilter", "SO000001"},
          {"sLogFile", log}}}},
       "sXML", "SO000001"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    auto res = client.Post(c.path.c_str(), c.body.dump(), "application/json");
    ASSERT_TRUE(res);
    ASSERT_EQ(res->status, 200) << res->body;
    const json answer = json::parse(res->body);
    EXPECT_EQ(answer["result"], true) << res->body.substr(0, 400);
    EXPECT_NE(answer["args"].value(c.out, "").find(c.holds), std::string::npos)
        << res->body.substr(0, 400);
  }
}

// What the service refuses runs nothing and says why, in JSON.
TEST(Service, BadRequestsAre4xxWithAJsonErrorAndRunNothing) {
  DemoAccount account;
  ServiceOptions options;
  options.max_body_bytes = 4096;
  Running running(options);
  httplib::Client client = running.Client();
  json wrong_type = ExportArgs(account, 4);
  wrong_type["lPerCount"] = "four";
  struct Case {
    const char* what;
    std::string path;
    std::string body;
    int status;
    const char* says;
  };
  const Case cases[] = {
      {"malformed JSON", "/v1/Corvane.clsSaleOrder/Export", "{\"args\": ", 400, "not JSON"},
      {"not an object", "/v1/Corvane.clsSaleOrder/Export", "[1]", 400, "JSON object"},
      {"unknown key", "/v1/Corvane.clsSaleOrder/Export", "{\"argz\": {}}", 400, "argz"},
      {"unknown ProgID", "/v1/Corvane.NoSuchClass/Export", "{}", 404, "Corvane.NoSuchClass"},
      {"unknown member", "/v1/Corvane.clsSaleOrder/Exprt", "{}", 404, "Exprt"},
      {"wrong argument type", "/v1/Corvane.clsSaleOrder/Export",
       json{{"args", wrong_type}}.dump(), 400, "Type mismatch"},
      {"an argument the member lacks", "/v1/Corvane.clsSaleOrder/Export",
       json{{"args", {{"lPageSize", 3}}}}.dump(), 400, "Named argument not found"},
      {"an argument of no value type", "/v1/Corvane.clsSaleOrder/Export",
       json{{"args", {{"lPerCount", json::array()}}}}.dump(), 400, "lPerCount"},
      {"a Filter, not allowed", "/v1/Corvane.clsSaleOrder/Export",
       json{{"options", {{"Filter", "1=1"}}}, {"args", ExportArgs(account, 4)}}.dump(), 403,
       "Filter"},
      {"a body over the limit", "/v1/Corvane.clsSaleOrder/Export", std::string(8000, ' '), 413,
       "larger than the limit"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto res = client.Post(c.path.c_str(), c.body, "application/json");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, c.status) << res->body;
    const json answer = json::parse(res->body, nullptr, false);
    ASSERT_TRUE(answer.is_object()) << res->body;
    EXPECT_NE(answer.value("error", "").find(c.says), std::string::npos) << res->body;
  }
  // Nothing ran: the metrics count no call.
  auto metrics = client.Get("/metrics");
  ASSERT_TRUE(metrics);
  EXPECT_EQ(metrics->body.find("corvane_requests_total{"), std::string::npos) << metrics->body;
}

// Off loopback a token is required; calls without the right one get 401.
TEST(Service, ATokenGuardsTheServiceOffLoopback) {
  ServiceOptions open;
  open.address = "0.0.0.0";
  open.port = 0;
  Service refused(open, nullptr);
  std::string error;
  EXPECT_FALSE(refused.Start(error));
  EXPECT_NE(error.find("token"), std::string::npos) << error;

  ServiceOptions guarded;
  guarded.token = "s3cret-token";
  Running running(guarded);
  httplib::Client client = running.Client();
  struct Case {
    const char* header;
    int status;
  };
  const Case cases[] = {{"", 401}, {"Bearer wrong", 401}, {"Bearer s3cret-tokenX", 401},
                        {"s3cret-token", 401}, {"Bearer s3cret-token", 200}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.header);
    httplib::Headers headers;
    if (*c.header) headers.emplace("Authorization", c.header);
    auto res = client.Get("/v1/classes", headers);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, c.status);
  }
  EXPECT_FALSE(SameToken("", ""));
  EXPECT_TRUE(SameToken("abc", "abc"));
  EXPECT_FALSE(SameToken("abc", "abd"));
}

// A kept-alive connection is served by one worker thread: what one call left
// on that thread (its language, its property string) must not reach the next.
TEST(Service, CallsOnOneConnectionKeepNothingOfTheCallBefore) {
  DemoAccount account;
  Running running;
  httplib::Client client = running.Client();
  client.set_keep_alive(true);
  for (int round = 0; round < 4; ++round) {
    SCOPED_TRACE(round);
    const bool english = round % 2 == 0;
    const json body = {{"args", ExportArgs(account, 0, 16395)}};  // a forbidden user
    auto res = client.Post("/v1/Corvane.clsSaleOrder/Export",
                           {{"X-Corvane-Language", english ? "ENG" : "CHS"}}, body.dump(),
                           "application/json");
    ASSERT_TRUE(res);
    ASSERT_EQ(res->status, 200) << res->body;
    const std::string error = json::parse(res->body)["args"]["strError"];
    EXPECT_NE(error.find(english ? "The connected user is not authorised" : "当前连接用户没有授权"),
              std::string::npos)
        << error;
  }
}

// A streamed import of many orders, its events read as they come: `first`
// is called once the first Progress event has arrived, while the import goes
// on. Answers the whole stream.
std::string StreamedImport(const Running& running, const DemoAccount& target,
                           const std::string& xml, const std::function<void()>& first) {
  httplib::Client client = running.Client();
  client.set_read_timeout(120, 0);
  httplib::Request req;
  req.method = "POST";
  req.path = "/v1/Corvane.clsSaleOrder/Import";
  req.headers = {{"Accept", "text/event-stream"}, {"Content-Type", "application/json"}};
  // Orders without entries are refused; the import goes on past them.
  req.body = json{{"options", {{"bProgress", true}, {"ImportErrorIgnore", true}}},
                  {"args", {{"strPropsString", target.PropsString()}, {"strXML", xml}, {"strError", ""}}}}
                 .dump();
  std::string stream;
  bool told = false;
  req.content_receiver = [&](const char* data, size_t length, uint64_t, uint64_t) {
    stream.append(data, length);
    if (!told && stream.find("event: Progress") != std::string::npos) {
      told = true;
      first();
    }
    return true;
  };
  httplib::Response res;
  httplib::Error error = httplib::Error::Success;
  EXPECT_TRUE(client.send(req, res, error)) << httplib::to_string(error);
  EXPECT_EQ(res.status, 200);
  return stream;
}

// The orders of a demo account of `orders` orders, as one page of XML.
std::string AllOrders(const Running& running, const DemoAccount& source) {
  httplib::Client client = running.Client();
  auto res = client.Post("/v1/Corvane.clsSaleOrder/Export",
                         json{{"args", ExportArgs(source, 0)}}.dump(), "application/json");
  EXPECT_TRUE(res && res->status == 200);
  return res ? json::parse(res->body)["args"]["strXML"].get<std::string>() : std::string();
}

// How many of the source's orders an import saves: those with entries.
std::string SavedOrders(const DemoAccount& source) {
  return testing::OneOf(source, "SELECT COUNT(DISTINCT FInterID) FROM SEOrderEntry");
}

erpdb::DemoOptions ManyOrders() {
  erpdb::DemoOptions o = DemoAccount::Small();
  o.orders = 200;
  return o;
}

// Progress comes as it is raised; a call beyond the limit meanwhile gets 503
// at once (no wait configured), and the streamed call still ends with its answer.
TEST(Service, EventsStreamAsTheyComeAndACallBeyondTheLimitGets503) {
  DemoAccount source(ManyOrders());
  DemoAccount target(DemoAccount::BaseOnly());
  ServiceOptions options;
  options.max_concurrent = 1;
  options.queue_wait_ms = 0;
  Running running(options);
  const std::string xml = AllOrders(running, source);
  int busy_status = 0;
  std::string busy_body;
  const std::string stream = StreamedImport(running, target, xml, [&] {
    httplib::Client other = running.Client();
    auto res = other.Get("/healthz");  // not a call: always answered
    EXPECT_TRUE(res && res->status == 200);
    auto busy = other.Post("/v1/Corvane.clsSaleOrder/Export",
                           json{{"args", ExportArgs(source, 1)}}.dump(), "application/json");
    if (busy) {
      busy_status = busy->status;
      busy_body = busy->body;
    }
  });
  EXPECT_EQ(busy_status, 503) << busy_body;
  EXPECT_NE(busy_body.find("busy"), std::string::npos) << busy_body;
  size_t progress = 0;
  for (size_t at = 0; (at = stream.find("event: Progress\n", at)) != std::string::npos; ++at) ++progress;
  EXPECT_EQ(progress, 200u);
  const size_t result = stream.find("event: result\ndata: ");
  ASSERT_NE(result, std::string::npos) << stream.substr(0, 300);
  const json answer = json::parse(stream.substr(result + 20, stream.find('\n', result + 20) - result - 20));
  EXPECT_TRUE(answer.contains("args")) << answer.dump();
  EXPECT_EQ(testing::OneOf(target, "SELECT COUNT(*) FROM SEOrder WHERE FInterID <> 0"),
            SavedOrders(source));
}

// Stopping the service lets the call being served finish and answer.
TEST(Service, AStopLetsTheCallInFlightFinish) {
  DemoAccount source(ManyOrders());
  DemoAccount target(DemoAccount::BaseOnly());
  Running running;
  const std::string xml = AllOrders(running, source);
  std::thread stopper;
  const std::string stream = StreamedImport(running, target, xml, [&] {
    stopper = std::thread([&] { running.Stop(); });
  });
  if (stopper.joinable()) stopper.join();
  EXPECT_NE(stream.find("event: result\ndata: {\"args\""), std::string::npos)
      << stream.substr(stream.size() > 300 ? stream.size() - 300 : 0);
  EXPECT_EQ(testing::OneOf(target, "SELECT COUNT(*) FROM SEOrder WHERE FInterID <> 0"),
            SavedOrders(source));
  httplib::Client after = running.Client();
  EXPECT_FALSE(after.Get("/healthz"));  // no longer listening
}

// Requests on the worker threads keep nothing of one another: two accounts,
// two users and two languages at once, every answer checked.
TEST(Service, TwoAccountsTwoUsersAndTwoLanguagesInParallel) {
  DemoAccount first;
  erpdb::DemoOptions other_options = DemoAccount::Small();
  other_options.orders = 9;
  other_options.seed = 99;
  DemoAccount second(other_options);
  const std::vector<std::string> first_numbers = testing::ColumnOf(
      first, "SELECT FBillNo FROM SEOrder WHERE FInterID <> 0 ORDER BY FOperDate");
  const std::vector<std::string> second_numbers = testing::ColumnOf(
      second, "SELECT FBillNo FROM SEOrder WHERE FInterID <> 0 ORDER BY FOperDate");
  ASSERT_NE(first_numbers, second_numbers);
  ServiceOptions options;
  options.max_concurrent = 4;
  Running running(options);

  std::vector<std::string> failures;
  std::mutex failures_mutex;
  auto worker = [&](int n) {
    httplib::Client client = running.Client();
    for (int round = 0; round < 6; ++round) {
      const bool use_first = (n + round) % 2 == 0;
      const DemoAccount& account = use_first ? first : second;
      // User 16395 is forbidden: its call is refused, in the request's language.
      const bool forbidden = round % 3 == 2;
      const std::string language = n % 2 == 0 ? "ENG" : "CHS";
      const json body = {{"args", ExportArgs(account, 0, forbidden ? 16395 : 16394)}};
      auto res = client.Post("/v1/Corvane.clsSaleOrder/Export", {{"X-Corvane-Language", language}},
                             body.dump(), "application/json");
      std::string problem;
      if (!res || res->status != 200) {
        problem = "no answer or not 200";
      } else {
        const json answer = json::parse(res->body);
        const std::string error = answer["args"]["strError"];
        if (forbidden) {
          if (answer["result"] != false) problem = "a forbidden user was served";
          const std::string expected = language == "ENG" ? "The connected user is not authorised"
                                                         : "当前连接用户没有授权";
          if (error.find(expected) == std::string::npos)
            problem = "the refusal is not in " + language + ": " + error;
        } else if (answer["result"] != true ||
                   BillNumbers(answer["args"]["strXML"]) !=
                       (use_first ? first_numbers : second_numbers)) {
          problem = "the page is not its account's";
        }
      }
      if (!problem.empty()) {
        std::lock_guard lock(failures_mutex);
        failures.push_back("worker " + std::to_string(n) + " round " + std::to_string(round) +
                           ": " + problem);
      }
    }
  };
  std::vector<std::thread> threads;
  for (int n = 0; n < 4; ++n) threads.emplace_back(worker, n);
  for (std::thread& t : threads) t.join();
  EXPECT_TRUE(failures.empty()) << failures.front();
}

}  // namespace
}  // namespace corvane::service
