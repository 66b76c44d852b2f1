#include "apps/corvane-service/service.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>
#include <vector>

#include "frame/module_state.h"
#include "platform/win/login_props.h"
#include "server/dispatch.h"
#include "server/registration.h"
#include "values/run_time_error.h"

namespace corvane::service {
namespace {

using json = nlohmann::json;
using Clock = std::chrono::steady_clock;

// A request the service refuses before anything runs: its status and why.
struct Refusal {
  int status;
  std::string why;
};

void Answer(httplib::Response& res, int status, const json& body) {
  res.status = status;
  res.set_content(body.dump(-1, ' ', false, json::error_handler_t::replace), "application/json");
}

Variant FromJson(const json& j, const std::string& name) {
  switch (j.type()) {
    case json::value_t::null: return Variant::Null();
    case json::value_t::boolean: return Variant(j.get<bool>());
    case json::value_t::string: return Variant(j.get<std::string>());
    case json::value_t::number_integer:
    case json::value_t::number_unsigned: {
      const double d = j.get<double>();
      if (d >= std::numeric_limits<int32_t>::min() && d <= std::numeric_limits<int32_t>::max())
        return Variant(static_cast<int32_t>(j.get<int64_t>()));
      return Variant(d);
    }
    case json::value_t::number_float: return Variant(j.get<double>());
    default:
      throw Refusal{400, "\"" + name + "\" must be a string, a number, true, false or null"};
  }
}

json ToJson(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty:
    case VarType::Null: return nullptr;
    case VarType::Boolean: return v.AsBool();
    case VarType::Integer:
    case VarType::Long: return CLng(v);
    case VarType::Double: return CDbl(v);
    default: break;
  }
  try {
    return CStr(v);
  } catch (const RuntimeError&) {
    return v.TypeName();  // an object: its type, as an automation client shows it
  }
}

// The argument errors of late binding, which are the caller's: 4xx.
bool IsCallersMistake(int32_t number) {
  return number == err::kTypeMismatch || number == err::kInvalidUseOfNull ||
         number == err::kNoSuchMember || number == server::kNamedArgumentNotFound ||
         number == server::kArgumentNotOptional || number == server::kWrongNumberOfArguments ||
         number == server::kWriteOnlyProperty || number == err::kOverflow;
}

json MembersOf(const server::IDispatchObject& object) {
  json members = json::array();
  for (const server::MemberInfo& m : object.Members()) {
    json params = json::array();
    for (const server::ParamInfo& p : m.params)
      params.push_back({{"name", p.name},
                        {"type", server::DispTypeName(p.type)},
                        {"byRef", p.by_ref},
                        {"optional", p.optional}});
    members.push_back({{"name", m.name},
                       {"dispid", m.dispid},
                       {"kind", m.kind == server::MemberKind::Method ? "method" : "propertyPut"},
                       {"result", server::DispTypeName(m.result)},
                       {"args", params}});
  }
  json events = json::array();
  for (const server::EventInfo& e : object.Events()) {
    json params = json::array();
    for (const server::ParamInfo& p : e.params)
      params.push_back({{"name", p.name}, {"type", server::DispTypeName(p.type)}});
    events.push_back({{"name", e.name}, {"dispid", e.dispid}, {"args", params}});
  }
  return {{"members", members}, {"events", events}};
}

std::string PrometheusLabel(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    out += c;
  }
  return out;
}

}  // namespace

bool IsLoopback(const std::string& address) {
  return address == "localhost" || address == "::1" || address.rfind("127.", 0) == 0;
}

bool SameToken(const std::string& a, const std::string& b) {
  // Every byte of the longer is looked at, whatever matched before.
  const size_t n = std::max(a.size(), b.size());
  unsigned char diff = a.size() == b.size() ? 0 : 1;
  for (size_t i = 0; i < n; ++i) {
    const unsigned char x = i < a.size() ? static_cast<unsigned char>(a[i]) : 0;
    const unsigned char y = i < b.size() ? static_cast<unsigned char>(b[i]) : 0;
    diff |= static_cast<unsigned char>(x ^ y);
  }
  return diff == 0 && n > 0;
}

Service::Service(ServiceOptions options, std::ostream* log)
    : options_(std::move(options)),
      log_(log),
      server_(std::make_unique<httplib::Server>()),
      turns_(std::max(options_.max_concurrent, 1)) {}

Service::~Service() { Stop(); }

bool Service::Start(std::string& error) {
  if (!IsLoopback(options_.address) && options_.token.empty()) {
    error = "listening on " + options_.address +
            " (not loopback) needs an API token (--token or CORVANE_SERVICE_TOKEN)";
    return false;
  }
  // Workers beyond the limit of calls reach the handler and answer 503 (or
  // wait their turn) instead of queueing unseen in the socket.
  const size_t workers = static_cast<size_t>(std::max(options_.max_concurrent, 1)) + 4;
  server_->new_task_queue = [workers] { return new httplib::ThreadPool(workers); };
  // Answers go out at once: with Nagle's algorithm a small answer waits for
  // the client's delayed acknowledgement, some 40 ms a call.
  server_->set_tcp_nodelay(true);
  server_->set_payload_max_length(options_.max_body_bytes);
  server_->set_read_timeout(options_.read_timeout_s, 0);
  server_->set_write_timeout(options_.write_timeout_s, 0);
  Routes();
  port_ = options_.port == 0 ? server_->bind_to_any_port(options_.address)
                             : (server_->bind_to_port(options_.address, options_.port)
                                    ? options_.port
                                    : -1);
  if (port_ <= 0) {
    error = "cannot listen on " + options_.address + ":" + std::to_string(options_.port);
    return false;
  }
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  return true;
}

void Service::Stop() {
  if (!thread_.joinable()) return;
  server_->stop();
  thread_.join();
}

void Service::Record(const std::string& prog_id, const std::string& member, bool failed,
                     double seconds) {
  std::lock_guard lock(metrics_mutex_);
  Metric& m = metrics_[{prog_id, member}];
  ++m.requests;
  if (failed) ++m.failures;
  m.seconds += seconds;
}

std::string Service::Metrics() {
  std::ostringstream out;
  std::lock_guard lock(metrics_mutex_);
  out << "# HELP corvane_requests_total Calls of a member of a public class.\n"
         "# TYPE corvane_requests_total counter\n";
  auto labels = [](const std::pair<std::string, std::string>& key) {
    return "{class=\"" + PrometheusLabel(key.first) + "\",member=\"" + PrometheusLabel(key.second) +
           "\"}";
  };
  for (const auto& [key, m] : metrics_) out << "corvane_requests_total" << labels(key) << " " << m.requests << "\n";
  out << "# HELP corvane_failures_total Calls that answered False or failed.\n"
         "# TYPE corvane_failures_total counter\n";
  for (const auto& [key, m] : metrics_) out << "corvane_failures_total" << labels(key) << " " << m.failures << "\n";
  out << "# HELP corvane_request_seconds Time the calls took.\n"
         "# TYPE corvane_request_seconds summary\n";
  for (const auto& [key, m] : metrics_) {
    out << "corvane_request_seconds_sum" << labels(key) << " " << m.seconds << "\n";
    out << "corvane_request_seconds_count" << labels(key) << " " << m.requests << "\n";
  }
  return out.str();
}

void Service::Routes() {
  auto authorised = [this](const httplib::Request& req) {
    if (options_.token.empty()) return true;
    const std::string header = req.get_header_value("Authorization");
    const std::string prefix = "Bearer ";
    return header.rfind(prefix, 0) == 0 && SameToken(header.substr(prefix.size()), options_.token);
  };
  auto log = [this](const std::string& method, const std::string& path, const std::string& prog_id,
                    const std::string& member, int status, const json& result, double seconds) {
    if (!log_) return;
    json line = {{"method", method}, {"path", path},     {"progId", prog_id},
                 {"member", member}, {"status", status}, {"result", result},
                 {"ms", static_cast<int64_t>(seconds * 1000.0 + 0.5)}};
    std::lock_guard lock(log_mutex_);
    *log_ << line.dump(-1, ' ', false, json::error_handler_t::replace) << std::endl;
  };

  server_->set_error_handler([](const httplib::Request& req, httplib::Response& res) {
    if (!res.body.empty()) return;
    // A form-encoded body (curl -d without a content type) has a limit of
    // its own, 8 KiB, in the HTTP library.
    const bool form = req.get_header_value("Content-Type").find("x-www-form-urlencoded") !=
                      std::string::npos;
    const std::string why =
        res.status == 413 ? (form ? "the request body is larger than the limit of a form-encoded "
                                    "body: send it as Content-Type: application/json"
                                  : "the request body is larger than the limit")
        : res.status == 404 ? "no such resource"
                            : "HTTP status " + std::to_string(res.status);
    Answer(res, res.status, {{"error", why}});
  });

  server_->Get("/healthz", [](const httplib::Request&, httplib::Response& res) {
    Answer(res, 200, {{"status", "ok"}});
  });

  server_->Get("/metrics", [this, authorised](const httplib::Request& req, httplib::Response& res) {
    if (!authorised(req)) return Answer(res, 401, {{"error", "a valid API token is required"}});
    res.set_content(Metrics(), "text/plain; version=0.0.4");
  });

  server_->Get("/v1/classes", [authorised](const httplib::Request& req, httplib::Response& res) {
    if (!authorised(req)) return Answer(res, 401, {{"error", "a valid API token is required"}});
    json classes = json::array();
    for (const std::string& prog_id : server::PublicProgIds()) {
      try {
        const server::DispatchPtr object = server::CreateDispatchObject(prog_id);
        json entry = MembersOf(*object);
        entry["progId"] = prog_id;
        classes.push_back(entry);
      } catch (const RuntimeError& e) {
        classes.push_back({{"progId", prog_id}, {"error", e.description()}});
      }
    }
    Answer(res, 200, {{"classes", classes}});
  });

  server_->Post(R"(/v1/([^/]+)/([^/]+))", [this, authorised, log](const httplib::Request& req,
                                                                  httplib::Response& res) {
    const Clock::time_point start = Clock::now();
    const std::string prog_id = req.matches[1];
    const std::string member = req.matches[2];
    const bool stream = req.get_header_value("Accept").find("text/event-stream") != std::string::npos;
    Call call;
    try {
      if (!authorised(req)) throw Refusal{401, "a valid API token is required"};
      call = Prepare(req, prog_id);
      // The call holds one of the turns for as long as it runs.
      if (!turns_.try_acquire_for(std::chrono::milliseconds(options_.queue_wait_ms)))
        throw Refusal{503, "every worker is busy; try again"};
    } catch (const Refusal& r) {
      Answer(res, r.status, {{"error", r.why}});
      log("POST", req.path, prog_id, member, res.status, nullptr,
          std::chrono::duration<double>(Clock::now() - start).count());
      return;
    }
    if (!stream) {
      const Outcome outcome = Run(call, prog_id, member, nullptr);
      turns_.release();
      Answer(res, outcome.status, outcome.body);
      const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
      if (outcome.ran) Record(prog_id, member, outcome.failed, seconds);
      log("POST", req.path, prog_id, member, outcome.status, outcome.body.value("result", json()),
          seconds);
      return;
    }
    // Server-sent events: each Progress as it is raised, then the answer.
    res.set_chunked_content_provider(
        "text/event-stream",
        [this, call, prog_id, member, start, log, path = req.path](size_t, httplib::DataSink& sink) {
          auto send = [&sink](const std::string& event, const json& data) {
            const std::string text = "event: " + event + "\ndata: " +
                                     data.dump(-1, ' ', false, json::error_handler_t::replace) +
                                     "\n\n";
            return sink.write(text.data(), text.size());
          };
          const Outcome outcome = Run(call, prog_id, member, [&](const json& event) {
            send(event.value("name", "event"), event);
          });
          send(outcome.status == 200 ? "result" : "error", outcome.body);
          sink.done();
          const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
          if (outcome.ran) Record(prog_id, member, outcome.failed, seconds);
          log("POST", path, prog_id, member, outcome.status, outcome.body.value("result", json()),
              seconds);
          return true;
        },
        [this](bool) { turns_.release(); });
  });
}

Service::Call Service::Prepare(const httplib::Request& req, const std::string& prog_id) const {
  Call call;
  json body;
  try {
    body = req.body.empty() ? json::object() : json::parse(req.body);
  } catch (const json::exception& e) {
    throw Refusal{400, std::string("the body is not JSON: ") + e.what()};
  }
  if (!body.is_object()) throw Refusal{400, "the body must be a JSON object"};
  for (const auto& [key, value] : body.items())
    if (key != "options" && key != "args")
      throw Refusal{400, "unknown key \"" + key + "\" (options, args)"};
  call.options = body.value("options", json::object());
  call.args = body.value("args", json::object());
  if (!call.options.is_object() || !call.args.is_object())
    throw Refusal{400, "\"options\" and \"args\" must be JSON objects"};
  const std::vector<std::string> known = server::PublicProgIds();
  if (std::none_of(known.begin(), known.end(),
                   [&](const std::string& p) { return EqualsIgnoreCase(p, prog_id); }))
    throw Refusal{404, "no public class has the ProgID \"" + prog_id + "\""};
  // The member tables of a class never change: one object of each class
  // answers for them (they may be read from any thread).
  static std::mutex prototypes_mutex;
  static std::map<std::string, server::DispatchPtr> prototypes;
  server::DispatchPtr prototype;
  {
    std::lock_guard lock(prototypes_mutex);
    server::DispatchPtr& p = prototypes[UCase(prog_id)];
    if (!p) p = server::CreateDispatchObject(prog_id);
    prototype = p;
  }
  const server::MemberInfo* info = prototype->FindMember(req.matches[2].str());
  if (!info || info->kind != server::MemberKind::Method)
    throw Refusal{404, prog_id + " has no method \"" + req.matches[2].str() + "\""};
  for (const auto& [name, value] : call.args.items())
    if (std::none_of(info->params.begin(), info->params.end(),
                     [&](const server::ParamInfo& p) { return EqualsIgnoreCase(p.name, name); }))
      throw Refusal{400, "Named argument not found: " + info->name + " has no argument \"" + name +
                             "\""};
  for (const auto& [name, value] : call.options.items())
    if (EqualsIgnoreCase(name, "Filter") && !options_.allow_filter)
      throw Refusal{403, "the Filter option is raw SQL and this service does not allow it "
                         "(--allow-filter)"};
  call.language = UCase(req.get_header_value("X-Corvane-Language"));
  if (!call.language.empty() && call.language != "CHS" && call.language != "ENG" &&
      call.language != "CHT")
    throw Refusal{400, "X-Corvane-Language: CHS, ENG or CHT, not \"" + call.language + "\""};
  return call;
}

Service::Outcome Service::Run(const Call& call, const std::string& prog_id,
                              const std::string& member,
                              const std::function<void(const json&)>& on_event) const {
  // Nothing of the caller before stays on this worker thread, nor of this one after.
  ForgetCallerState();
  struct Forget {
    ~Forget() { ForgetCallerState(); }
  } forget;
  Outcome outcome;
  try {
    std::optional<platform::ThreadLoginProps> language;
    if (!call.language.empty()) language.emplace("LANGUAGE=" + call.language + ";");
    server::DispatchPtr object = server::CreateDispatchObject(prog_id);
    const server::MemberInfo* info = object->FindMember(member);
    if (!info || info->kind != server::MemberKind::Method)
      throw Refusal{404, prog_id + " has no method \"" + member + "\""};
    json events = json::array();
    object->Advise([&](int32_t, const std::string& name, const std::vector<Variant>& values) {
      json event_args = json::array();
      for (const Variant& v : values) event_args.push_back(ToJson(v));
      json event = {{"name", name}, {"args", event_args}};
      if (on_event) on_event(event);
      events.push_back(std::move(event));
    });
    std::vector<server::NamedArgument> named;
    std::vector<Variant> all;
    Variant answer;
    try {
      for (const auto& [name, value] : call.options.items())
        object->PutProperty(name, FromJson(value, name));
      for (const auto& [name, value] : call.args.items())
        named.push_back({name, FromJson(value, name)});
      outcome.ran = true;
      answer = object->InvokeNamed(info->name, server::InvokeKind::Method, named, &all);
    } catch (const RuntimeError& e) {
      if (IsCallersMistake(e.number())) {
        outcome.ran = false;
        throw Refusal{400, e.description() + " (" + std::to_string(e.number()) + ")"};
      }
      throw;
    }
    json out_args = json::object();
    for (size_t i = 0; i < info->params.size() && i < all.size(); ++i)
      out_args[info->params[i].name] = ToJson(all[i]);
    outcome.failed = answer.type() == VarType::Boolean && !answer.AsBool();
    outcome.body = {{"result", ToJson(answer)}, {"args", out_args}, {"events", events}};
  } catch (const Refusal& r) {
    outcome.status = r.status;
    outcome.body = {{"error", r.why}};
  } catch (const RuntimeError& e) {
    outcome.status = 500;
    outcome.failed = true;
    outcome.body = {{"error", e.description()}, {"number", e.number()}};
  } catch (const std::exception& e) {
    outcome.status = 500;
    outcome.failed = true;
    outcome.body = {{"error", e.what()}};
  }
  return outcome;
}

}  // namespace corvane::service
