// Fault seam for the connection component: while a ScopedFaultyConnections
// lives, every "ZuMConnection.Connection" the code under test creates is a
// FaultyConnection that forwards to a real embedded-account connection and
// counts the statements of all of them together (COMMIT and ROLLBACK
// included). The plan can fail the k-th statement, or every statement whose
// text holds a given piece, with the error a refused statement gives; and it
// can run a hook after a statement (another writer acting between two reads
// of the code under test). Statements run on the test's thread, so the plan
// needs no lock. A connection that outlives the scope (the member connection
// of an object the test keeps) forwards every statement unchanged after it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "frame/outside/connection.h"
#include "frame/outside/object_factory.h"
#include "platform/db/sqlite_connection.h"
#include "values/run_time_error.h"

namespace corvane::testing {

struct FaultPlan {
  int fail_at = 0;            // 1-based statement number that fails; 0: none by number
  std::string fail_matching;  // statements whose text holds this fail; "": none by text
  // Runs after statement number `n` (1-based) succeeded, with its text.
  std::function<void(int n, std::string_view sql)> after;

  int count = 0;                    // statements seen so far
  std::vector<std::string> seen;    // their texts, in order
  int failed = 0;                   // statements failed on purpose
  bool armed = true;                // false once the scope has ended
};

inline constexpr const char* kInjectedFault = "injected fault: the database refused the statement";

class FaultyConnection : public IConnection {
 public:
  explicit FaultyConnection(std::shared_ptr<FaultPlan> plan)
      : plan_(std::move(plan)), inner_(std::make_shared<db::SqliteConnection>()) {}

  void SetConnString(std::string_view conn_string) override { inner_->SetConnString(conn_string); }
  std::string ConnString() const override { return inner_->ConnString(); }
  RecordSetPtr GetAnyRecordSet(std::string_view sql) override {
    return Run(sql, [&] { return inner_->GetAnyRecordSet(sql); });
  }
  RecordSetPtr Execute(std::string_view sql) override {
    return Run(sql, [&] { return inner_->Execute(sql); });
  }
  RecordSetPtr QueryReadOnly(std::string_view sql) override {
    return Run(sql, [&] { return inner_->QueryReadOnly(sql); });
  }
  int32_t RunBatch(std::string_view sql,
                   const std::function<void(const StatementOutcome&)>& each) override {
    int32_t ran = 0;
    Run(sql, [&] {
      ran = inner_->RunBatch(sql, each);
      return RecordSetPtr();
    });
    return ran;
  }
  void CloseConn() override { inner_->CloseConn(); }

 private:
  template <typename F>
  RecordSetPtr Run(std::string_view sql, F&& forward) {
    FaultPlan& plan = *plan_;
    if (!plan.armed) return forward();
    const int n = ++plan.count;
    plan.seen.emplace_back(sql);
    if (n == plan.fail_at ||
        (!plan.fail_matching.empty() && sql.find(plan.fail_matching) != std::string_view::npos)) {
      ++plan.failed;
      throw RuntimeError(err::kStatementFailed, "ZuMConnection.Connection",
                         std::string(kInjectedFault) + " (" + std::string(sql) + ")");
    }
    RecordSetPtr rows = forward();
    if (plan.after) plan.after(n, sql);
    return rows;
  }

  std::shared_ptr<FaultPlan> plan_;
  std::shared_ptr<db::SqliteConnection> inner_;
};

// Puts FaultyConnection under the connection ProgID for its lifetime.
class ScopedFaultyConnections {
 public:
  ScopedFaultyConnections()
      : override_(kConnectionProgId,
                  [shared = shared_] { return std::make_shared<FaultyConnection>(shared); }) {}
  ~ScopedFaultyConnections() {
    shared_->armed = false;
    shared_->after = nullptr;  // it may refer to the test's locals
  }
  ScopedFaultyConnections(const ScopedFaultyConnections&) = delete;
  ScopedFaultyConnections& operator=(const ScopedFaultyConnections&) = delete;

 private:
  std::shared_ptr<FaultPlan> shared_ = std::make_shared<FaultPlan>();

 public:
  FaultPlan& plan = *shared_;

 private:
  ScopedProgIdOverride override_;
};

}  // namespace corvane::testing
