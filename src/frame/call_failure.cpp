#include "frame/call_failure.h"

#include "frame/err_object.h"
#include "frame/messages.h"
#include "frame/timestamp_text.h"

namespace corvane {

void ReportCallFailure(std::string& strError, IConnection* connection) noexcept {
  try {
    const RuntimeError e = CurrentExceptionAsRuntimeError();
    SetPendingError(e);
    strError = BuildErrorText(e);
  } catch (...) {
  }
  try {
    if (connection) connection->CloseConn();
  } catch (...) {
    // The call has failed already; a connection that cannot close adds nothing.
  }
  ClearPendingError();
}

void CheckPagingArguments(const std::string& timestamp, int32_t per_count) {
  if (!IsTimestampText(timestamp))
    throw RuntimeError(err::kInvalidCall, {},
                       FormatMessageText("时间戳 %1 无效：应为 0x 加 1 到 16 位十六进制数字",
                                         {Variant(timestamp)}));
  if (per_count < 0)
    throw RuntimeError(err::kInvalidCall, {},
                       FormatMessageText("每页单据数 %1 不能为负数", {Variant(per_count)}));
}

void AppendBracketedError(std::string& text, const RuntimeError& error) noexcept {
  try {
    const std::string bracketed = "[" + error.description() + "]";
    text = Trim(text).empty() ? bracketed : text + bracketed;
  } catch (...) {
  }
}

}  // namespace corvane
