#include "platform/erp/app_connection.h"

#include <functional>

#include "frame/outside/connection.h"
#include "frame/outside/object_factory.h"
#include "platform/erp/account_connection.h"
#include "values/run_time_error.h"

namespace corvane::erp {
namespace {

// A connection component pointed at the account for one call, closed when
// the call ends however it ends.
class CallConnection {
 public:
  explicit CallConnection(std::string_view conn_string)
      : connection_(CreateObjectAs<IConnection>(kConnectionProgId)), close_(*connection_) {
    connection_->SetConnString(conn_string);
  }
  IConnection* operator->() const { return connection_.get(); }
  IConnection& operator*() const { return *connection_; }

 private:
  ConnectionPtr connection_;
  CloseOnExit close_;
};

// `work` in a write transaction: false, rolled back, when any statement
// fails. Only an account that cannot be opened raises.
bool Transact(IConnection& connection, const std::function<bool()>& work) {
  try {
    return RunInWriteTransaction(connection, work);
  } catch (const RuntimeError& e) {
    if (e.number() == err::kCannotOpen) throw;
  } catch (...) {
    // Any other failure is a failed batch; the transaction was rolled back.
  }
  return false;
}

}  // namespace

Variant AppConnection::Execute(std::string_view conn_string, std::string_view sql) {
  CallConnection db(conn_string);
  try {
    return Variant(db->QueryReadOnly(sql));
  } catch (const RuntimeError& e) {
    // Refused before it ran (not one read-only query) or failed as a query:
    // either way it runs as a batch.
    if (e.number() == err::kCannotOpen) throw;
  }
  return Variant(Transact(*db, [&] {
    db->Execute(sql);
    return true;
  }));
}

bool AppConnection::ExecuteUnless(std::string_view conn_string, std::string_view guard,
                                  std::string_view batch) {
  CallConnection db(conn_string);
  return Transact(*db, [&] {
    if (!db->QueryReadOnly(guard)->Eof()) return false;
    db->Execute(batch);
    return true;
  });
}

}  // namespace corvane::erp
