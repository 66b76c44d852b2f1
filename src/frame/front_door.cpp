#include "frame/front_door.h"

#include "frame/call_context.h"
#include "frame/err_object.h"
#include "frame/gateway.h"
#include "frame/messages.h"

namespace corvane {
namespace {

// The row of the property string's user, or a record set without rows.
RecordSetPtr UserRow(ConnectionPtr& connection) {
  OpenErpConnection(connection);
  return connection->GetAnyRecordSet("SELECT FUserID, FName, FForbidden FROM t_User WHERE FUserID=" +
                                     std::to_string(GetUserID()));
}

bool IsActive(const IRecordSet& user) {
  if (user.Eof()) return false;
  const Variant& forbidden = user.Fields("FForbidden");
  return !forbidden.IsNull() && Equals(forbidden, Variant(int32_t(0)));
}

}  // namespace

int32_t GetActiveUserID() noexcept {
  try {
    ConnectionPtr connection;
    RecordSetPtr user = UserRow(connection);
    return IsActive(*user) ? CLng(user->Fields("FUserID")) : -1;
  } catch (...) {
    return -1;
  }
}

std::string GetActiveUserName() noexcept {
  try {
    ConnectionPtr connection;
    RecordSetPtr user = UserRow(connection);
    return IsActive(*user) ? CStr(user->Fields("FName")) : std::string();
  } catch (...) {
    return {};
  }
}

bool IsGroupOneMember() noexcept {
  try {
    const int32_t user_id = GetActiveUserID();
    ConnectionPtr connection;
    OpenErpConnection(connection);
    // The ID runs straight into the keyword, as the ERP has always sent it.
    RecordSetPtr rs = connection->GetAnyRecordSet(
        std::string("SELECT t_User.FUserID FROM t_Group, t_User ") +
        "WHERE t_Group.FUserID= t_User.FUserID " + "AND t_User.FUserID= " +
        std::to_string(user_id) + "AND t_Group.FGroupID= 1");
    return !rs->Eof();
  } catch (...) {
    return false;
  }
}

bool HasWebServiceRight() {
  ConnectionPtr connection;
  OpenErpConnection(connection);
  const int32_t user_id = GetActiveUserID();
  RecordSetPtr rs = connection->GetAnyRecordSet(
      "SELECT * FROM t_AccessControl WHERE  FObjectType=16 AND FUserID=" + std::to_string(user_id));
  if (rs->Eof()) return false;
  const Variant mask = rs->Fields("FAccessMask");
  rs->Close();
  return !mask.IsNull() && !Equals(mask, Variant(int32_t(0)));
}

bool BeginServiceCall(std::string_view props, std::string& error_text) noexcept {
  try {
    ParsePropsString(props);
    const bool group_one = IsGroupOneMember();
    const bool web_service_right = HasWebServiceRight();
    if (group_one || web_service_right) return true;
    error_text = GetMessageText("当前连接用户没有授权通过 WebServices 进行数据处理!");
    return false;
  } catch (...) {
    try {
      const RuntimeError e = CurrentExceptionAsRuntimeError();
      SetPendingError(e);
      error_text = BuildErrorText(e);
      ClearPendingError();
    } catch (...) {
      ClearPendingError();
    }
    return false;
  }
}

}  // namespace corvane
