#include "platform/erp/bill_save_service.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "frame/sql_text.h"
#include "platform/erp/account_connection.h"
#include "values/run_time_error.h"

namespace corvane::erp {
namespace {

constexpr const char* kSource = "BillDataAccess.SaveData";
constexpr const char* kResaveTable = "t_BillResave";
// Half the last decimal place of a DECIMAL(28,10): quantities that differ by
// less are equal (sums of stored decimals carry binary rounding).
constexpr const char* kQtyTolerance = "0.00000000005";

// A save a business check refuses.
class SaveRefusal : public std::exception {
 public:
  SaveRefusal(int32_t ret_code, std::string message)
      : ret_code_(ret_code), message_(std::move(message)) {}
  int32_t ret_code() const { return ret_code_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  int32_t ret_code_;
  std::string message_;
};

[[noreturn]] void Fail(const std::string& description) {
  throw RuntimeError(err::kInvalidCall, kSource, description);
}

bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// What the save list asks for.
struct SaveRequest {
  int32_t tran_type = 0;
  int32_t inter_id = 0;
  std::string bill_no;
  bool auto_numbered = false;  // the document carries no number of its own
  std::string find_uuid;       // the UUID the caller looked the document up by, "" if none
  bool is_red = false;
  std::string head_sql;
  std::vector<std::string> entry_sql;
};

std::string Text(const Variant& v) { return v.IsNull() ? std::string() : CStr(v); }

SaveRequest ReadSaveList(const ValueVectorPtr& save_list) {
  if (!save_list) throw RuntimeError(err::kObjectNotSet, kSource, "No save list");
  if (save_list->Count() < 2) Fail("The save list holds no extension list");
  const auto info = save_list->Item(1).ObjectAs<ValueDictionary>();
  const auto extensions = save_list->Item(2).ObjectAs<ValueVector>();
  if (extensions->Count() < 1) Fail("The extension list is empty");
  const auto extension = extensions->Item(1).ObjectAs<ValueDictionary>();
  if (!extension->Exists("FTransType")) Fail("The extension list holds no FTransType");

  SaveRequest request;
  request.tran_type = CLng(extension->Value("FTransType"));
  // Every bill of the account has a transaction type; without one the bill
  // would be looked for, numbered and saved as a stock bill.
  if (request.tran_type <= 0)
    Fail("The extension list names no bill type (FTransType " + std::to_string(request.tran_type) +
         ")");
  request.inter_id = CLng(info->GetValue("BillInterID", Variant(int32_t{0})));
  if (request.inter_id < 0) Fail("BillInterID " + std::to_string(request.inter_id) + " < 0");
  request.bill_no = CStr(info->GetValue("BillNo", Variant("")));
  request.auto_numbered = CBool(info->GetValue("AutoNumbered", Variant(false)));
  request.find_uuid = Trim(Text(info->GetValue("FindUUID", Variant(""))));
  request.is_red = CBool(info->GetValue("IsRedBill", Variant(false)));
  request.head_sql = CStr(info->GetValue("HeadSQL", Variant("")));
  const Variant entries = info->GetValue("EntrySQL", Variant());
  if (entries.IsObject()) {
    for (const Variant& item : *entries.ObjectAs<ValueVector>()) {
      if (item.IsEmpty() || item.IsNull()) continue;
      std::string sql = CStr(item);
      if (!Trim(sql).empty()) request.entry_sql.push_back(std::move(sql));
    }
  } else if (!entries.IsEmpty() && !entries.IsNull()) {
    std::string sql = CStr(entries);
    if (!Trim(sql).empty()) request.entry_sql.push_back(std::move(sql));
  }
  return request;
}

// The digits after the rule's prefix, without leading zeros ("0" for zeros
// only), when `bill_no` is an automatic number of the rule; else "".
std::string AutomaticNumberOf(const std::string& bill_no, const std::string& prefix) {
  if (bill_no.size() <= prefix.size() ||
      !EqualsIgnoreCase(std::string_view(bill_no).substr(0, prefix.size()), prefix)) {
    return {};
  }
  const std::string digits = bill_no.substr(prefix.size());
  if (digits.size() > 18) return {};
  for (char c : digits) {
    if (c < '0' || c > '9') return {};
  }
  const size_t first = digits.find_first_not_of('0');
  return first == std::string::npos ? "0" : digits.substr(first);
}

// One save inside the open transaction; returns the internal ID saved under.
class BillSave {
 public:
  BillSave(IConnection& connection, const SaveRequest& request)
      : db_(connection),
        request_(request),
        tables_(BillTablesOf(request.tran_type)),
        bill_no_(request.bill_no) {}

  int32_t Run() {
    // Everything the save depends on is decided here, inside the saving
    // transaction that holds the account's write lock: whether the document
    // exists, and its number. A bill without a number of its own is
    // numbered here with the next number free at its save, so two savers
    // told the same automatic number do not collide; a bill that carries a
    // number is saved under it or refused, never renumbered.
    RefuseChangedMeanwhile();
    if (request_.auto_numbered) NumberAutomatically();
    RefuseDuplicateNumber();
    const int32_t id = request_.inter_id == 0 ? NextInterId(db_, tables_.head) : ClearForResave();
    db_.Execute(ReplaceBillPlaceholders(request_.head_sql, id, bill_no_));
    for (const std::string& sql : request_.entry_sql) {
      db_.Execute(ReplaceBillPlaceholders(sql, id, bill_no_));
    }
    const Variant new_uuid = QueryScalar(db_, HeadQuery("FUUID", id), Variant());
    if (new_uuid.IsEmpty()) {
      Fail("The head statement wrote no " + std::string(tables_.head) + " head with FInterID " +
           std::to_string(id));
    }
    if (resaved_) FinishResave(id, Text(new_uuid));
    AdvanceNumbering();
    if (IsOutgoingStockBill(request_.tran_type) && !request_.is_red && !NegativeStockAllowed()) {
      RefuseNegativeStock(id);
    }
    return id;
  }

 private:
  std::string HeadQuery(const std::string& columns, int32_t id) const {
    return "SELECT " + columns + " FROM " + tables_.head + " WHERE FInterID=" + std::to_string(id);
  }

  // The first head (by internal ID) whose `column` equals `value`; 0 if none.
  int32_t HeadWith(const char* column, const std::string& value) {
    const Variant id = QueryScalar(db_,
                                   "SELECT TOP 1 FInterID FROM " + std::string(tables_.head) +
                                       " WHERE " + column + "=" + SqlLiteral(value) +
                                       " AND FInterID<>0 ORDER BY FInterID",
                                   Variant(int32_t(0)));
    return id.IsNull() ? 0 : CLng(id);
  }

  // Checks again what the caller found before it prepared the save, and
  // refuses the save when that changed since: a document to be saved over
  // must still be there (a user may have deleted it), and a new document
  // must still be absent, by the UUID the caller looked it up by and by its
  // own number (another import may have saved it). Saving on would bring a
  // deleted document back or write a second copy; importing the document
  // again decides afresh.
  void RefuseChangedMeanwhile() {
    const std::string head = tables_.head;
    std::string why;
    if (request_.inter_id != 0) {
      const RecordSetPtr there = db_.Execute(HeadQuery("FTranType", request_.inter_id));
      if (!there->Eof()) {
        RefuseBillOfAnotherType(there->Fields("FTranType"));
        return;
      }
      why = head + " " + std::to_string(request_.inter_id) + ", to be saved over, was deleted";
    } else {
      int32_t found = request_.find_uuid.empty() ? 0 : HeadWith("FUUID", request_.find_uuid);
      if (found == 0 && !request_.auto_numbered && !bill_no_.empty())
        found = HeadWith("FBillNo", bill_no_);
      if (found == 0) return;
      why = "another save wrote it as " + head + " " + std::to_string(found);
    }
    throw SaveRefusal(kSaveRetChangedMeanwhile,
                      "The document \"" + bill_no_ + "\" changed while it was being imported: " +
                          why + " meanwhile. Nothing was saved; import it again");
  }

  // Stock bills of every type share one table and one set of numbers: a
  // bill found by the number or UUID of one of another type is not saved
  // over, which would turn a receipt into a delivery.
  void RefuseBillOfAnotherType(const Variant& saved_type) {
    if (std::string_view(tables_.head) != "ICStockBill" || saved_type.IsNull() ||
        CLng(saved_type) == request_.tran_type)
      return;
    throw SaveRefusal(kSaveRetDuplicateBillNo,
                      "The bill \"" + bill_no_ + "\" is ICStockBill " +
                          std::to_string(request_.inter_id) + " of transaction type " +
                          CStr(saved_type) + ", not " + std::to_string(request_.tran_type));
  }

  void RefuseDuplicateNumber() {
    const RecordSetPtr other = db_.Execute(
        "SELECT TOP 1 FInterID, FBillNo FROM " + std::string(tables_.head) +
        " WHERE FBillNo=" + SqlLiteral(bill_no_) + " AND FInterID<>0 AND FInterID<>" +
        std::to_string(request_.inter_id) + " ORDER BY FInterID");
    if (other->Eof()) return;
    throw SaveRefusal(kSaveRetDuplicateBillNo, "The bill number \"" + bill_no_ +
                                                   "\" is already used by " + tables_.head + " " +
                                                   CStr(other->Fields("FInterID")) + " (\"" +
                                                   Text(other->Fields("FBillNo")) + "\")");
  }

  // Deletes the document saved over (head and every entry), its head marked
  // as saved over; returns its ID.
  int32_t ClearForResave() {
    const int32_t id = request_.inter_id;
    const std::string id_text = std::to_string(id);
    const RecordSetPtr old = db_.Execute(HeadQuery("FUUID, FTranType", id));
    if (!old->Eof()) {
      resaved_ = true;
      old_uuid_ = Text(old->Fields("FUUID"));
      const Variant type = old->Fields("FTranType");
      old_type_ = type.IsNull() ? request_.tran_type : CLng(type);
      db_.Execute("INSERT INTO " + std::string(kResaveTable) + " (FTableName, FInterID) VALUES (" +
                  SqlLiteral(tables_.head) + "," + id_text + ")");
    }
    db_.Execute("DELETE FROM " + std::string(tables_.entries) + " WHERE FInterID=" + id_text);
    db_.Execute("DELETE FROM " + std::string(tables_.head) + " WHERE FInterID=" + id_text);
    RecordInterIdUsed(db_, tables_.head, id);
    return id;
  }

  // Removes the marker; logs the deletion of the old UUID when the new head
  // carries another one.
  void FinishResave(int32_t id, const std::string& new_uuid) {
    db_.Execute("DELETE FROM " + std::string(kResaveTable) + " WHERE FTableName=" +
                SqlLiteral(tables_.head) + " AND FInterID=" + std::to_string(id));
    if (Trim(old_uuid_).empty()) return;
    const Variant same = QueryScalar(
        db_, HeadQuery("COUNT(*)", id) + " AND FUUID=" + SqlLiteral(old_uuid_), Variant());
    if (!new_uuid.empty() && CLng(same) > 0) return;
    for (int flag : {1, 2}) {
      db_.Execute(
          "INSERT INTO COM_DataChange (FSystemFlag, FType, FIfDelete, FChangedUUID) VALUES (" +
          std::to_string(flag) + "," + std::to_string(old_type_) + ",1," + SqlLiteral(old_uuid_) +
          ")");
    }
  }

  // The rule of the transaction type: prefix, last number given, length.
  struct Rule {
    std::string prefix;
    int64_t current = 0;
    size_t length = 0;
  };
  // Read once per save: only this save's own update changes it, at the end.
  const std::optional<Rule>& NumberRule() {
    if (!rule_read_) {
      rule_ = ReadNumberRule();
      rule_read_ = true;
    }
    return rule_;
  }
  std::optional<Rule> ReadNumberRule() {
    const RecordSetPtr rs = db_.Execute(
        "SELECT FPrefix, CAST(FCurNo AS VARCHAR(20)) AS FCurNo, FNumLength FROM t_BillNoRule "
        "WHERE FTranType=" + std::to_string(request_.tran_type));
    if (rs->Eof()) return std::nullopt;
    Rule rule;
    rule.prefix = Text(rs->Fields("FPrefix"));
    rule.current = std::stoll(Text(rs->Fields("FCurNo")).empty() ? "0" : Text(rs->Fields("FCurNo")));
    rule.length = static_cast<size_t>(std::max(0, CLng(rs->Fields("FNumLength"))));
    return rule;
  }

  static std::string NumberText(const Rule& rule, int64_t n) {
    std::string digits = std::to_string(n);
    if (digits.size() < rule.length) digits.insert(0, rule.length - digits.size(), '0');
    return rule.prefix + digits;
  }

  // The next automatic number no head of the table carries yet.
  void NumberAutomatically() {
    const std::optional<Rule>& rule = NumberRule();
    if (!rule) return;
    for (int64_t n = rule->current + 1, tries = 0; tries < 10000; ++n, ++tries) {
      const std::string candidate = NumberText(*rule, n);
      const Variant used = QueryScalar(db_,
                                       "SELECT COUNT(*) FROM " + std::string(tables_.head) +
                                           " WHERE FBillNo=" + SqlLiteral(candidate),
                                       Variant(int32_t(0)));
      if (CLng(used) == 0) {
        bill_no_ = candidate;
        return;
      }
    }
  }

  // Raises the rule's last number to the bill's when the bill carries an
  // automatic number of the rule (prefix and at most the rule's length of
  // digits): a number typed by hand far beyond the rule moves nothing.
  void AdvanceNumbering() {
    const std::optional<Rule>& rule = NumberRule();
    if (!rule) return;
    const std::string number = AutomaticNumberOf(bill_no_, rule->prefix);
    if (number.empty() || bill_no_.size() - rule->prefix.size() > std::max<size_t>(rule->length, 1))
      return;
    db_.Execute("UPDATE t_BillNoRule SET FCurNo=" + number +
                " WHERE FTranType=" + std::to_string(request_.tran_type) + " AND FCurNo<" + number);
  }

  bool NegativeStockAllowed() {
    const Variant value = QueryScalar(
        db_, "SELECT FValue FROM t_SystemProfile WHERE FKey='AllowNegativeStock'", Variant());
    if (value.IsEmpty() || value.IsNull()) return true;
    try {
      return CBool(value);
    } catch (const RuntimeError&) {
      throw RuntimeError(
          err::kTypeMismatch, kSource,
          "The account setting AllowNegativeStock is not True or False: \"" + CStr(value) + "\"");
    }
  }

  void RefuseNegativeStock(int32_t id) {
    const RecordSetPtr short_items = db_.Execute(
        "SELECT o.FItemID, o.FOutQty, ISNULL(s.FOnHand,0) AS FOnHand, m.FNumber, m.FName "
        "FROM (SELECT FItemID, SUM(FQty) AS FOutQty FROM " +
        std::string(tables_.entries) + " WHERE FInterID=" + std::to_string(id) +
        " GROUP BY FItemID) o "
        "LEFT JOIN (SELECT FItemID, SUM(FQty) AS FOnHand FROM ICInventory GROUP BY FItemID) s "
        "ON s.FItemID=o.FItemID "
        "LEFT JOIN t_ICItem m ON m.FItemID=o.FItemID "
        "WHERE o.FOutQty>0 AND o.FOutQty-ISNULL(s.FOnHand,0)>" +
        kQtyTolerance + " ORDER BY o.FItemID");
    if (short_items->Eof()) return;
    std::string message;
    for (; !short_items->Eof(); short_items->MoveNext()) {
      std::string item = Text(short_items->Fields("FNumber"));
      if (item.empty()) item = "FItemID " + Text(short_items->Fields("FItemID"));
      const std::string name = Text(short_items->Fields("FName"));
      if (!name.empty()) item += " (" + name + ")";
      if (!message.empty()) message += "; ";
      message += "Item " + item + ": " + CStr(short_items->Fields("FOutQty")) + " going out, " +
                 CStr(short_items->Fields("FOnHand")) + " on hand";
    }
    throw SaveRefusal(kSaveRetNegativeStock, message);
  }

  IConnection& db_;
  const SaveRequest& request_;
  const BillTables tables_;
  std::string bill_no_;  // the number the bill is saved under
  bool resaved_ = false;
  std::string old_uuid_;
  int32_t old_type_ = 0;
  bool rule_read_ = false;
  std::optional<Rule> rule_;  // the numbering rule of the bill's type
};

}  // namespace

BillTables BillTablesOf(int32_t tran_type) {
  switch (tran_type) {
    case 81:
      return {"SEOrder", "SEOrderEntry"};
    case 80:
    case 86:
      return {"ICSale", "ICSaleEntry"};
    default:
      return {"ICStockBill", "ICStockBillEntry"};
  }
}

bool IsOutgoingStockBill(int32_t tran_type) {
  return tran_type == 21 || tran_type == 24 || tran_type == 28 || tran_type == 29;
}

std::string ReplaceBillPlaceholders(std::string_view sql, int32_t inter_id,
                                    std::string_view bill_no) {
  static constexpr std::string_view kInterId = "@BillInterID";
  static constexpr std::string_view kBillNo = "@BillNo";
  const std::string id_text = std::to_string(inter_id);
  const std::string no_text = SqlQuoteInner(bill_no);
  auto whole_token_at = [&sql](size_t at, std::string_view token) {
    const size_t end = at + token.size();
    return end <= sql.size() && EqualsIgnoreCase(sql.substr(at, token.size()), token) &&
           (end == sql.size() || !IsNameChar(sql[end]));
  };
  std::string out;
  out.reserve(sql.size() + no_text.size() + id_text.size());
  size_t i = 0;
  while (i < sql.size()) {
    if (sql[i] == '\'') {
      // A text literal is the document's own text and stays as it is; only
      // a literal that is exactly '@BillNo' is the bill number's place.
      const size_t close = i + kBillNo.size() + 1;
      if (close < sql.size() && sql[close] == '\'' &&
          (close + 1 == sql.size() || sql[close + 1] != '\'') &&
          EqualsIgnoreCase(sql.substr(i + 1, kBillNo.size()), kBillNo)) {
        out += "'" + no_text + "'";
        i += kBillNo.size() + 2;
        continue;
      }
      const size_t start = i++;
      while (i < sql.size()) {
        if (sql[i] == '\'') {
          if (i + 1 < sql.size() && sql[i + 1] == '\'') {
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        ++i;
      }
      out.append(sql.substr(start, i - start));
      continue;
    }
    if (sql[i] == '@') {
      if (whole_token_at(i, kInterId)) {
        out += id_text;
        i += kInterId.size();
        continue;
      }
      if (whole_token_at(i, kBillNo)) {
        // Outside quotes the number becomes a whole text literal, so it can
        // never be read as SQL.
        out += "'" + no_text + "'";
        i += kBillNo.size();
        continue;
      }
    }
    out += sql[i++];
  }
  return out;
}

Variant BillSaveService::GetBillNo(const std::string& props, int32_t tran_type, bool /*flag*/) {
  const ConnectionPtr connection = ConnectAccount(props, kSource);
  const RecordSetPtr rule = connection->Execute(
      "SELECT FPrefix, FNumLength, CAST(FCurNo+1 AS VARCHAR(20)) AS FNextNo FROM t_BillNoRule "
      "WHERE FTranType=" +
      std::to_string(tran_type));
  connection->CloseConn();
  if (rule->Eof()) return Variant("");
  std::string digits = CStr(rule->Fields("FNextNo"));
  const size_t length = static_cast<size_t>(std::max(0, CLng(rule->Fields("FNumLength"))));
  if (digits.size() < length) digits.insert(0, length - digits.size(), '0');
  return Variant(Text(rule->Fields("FPrefix")) + digits);
}

ValueDictionaryPtr BillSaveService::SaveBillEx(std::string& props, ValueVectorPtr& save_list) {
  const ConnectionPtr connection = ConnectAccount(props, kSource);
  auto result = ValueDictionary::Create();
  result->SetValue("Success", Variant(false));
  result->SetValue("RetCode", Variant(kSaveRetOk));
  result->SetValue("BillInterID", Variant(int32_t{0}));
  result->SetValue("ReturnMsg", Variant(""));

  try {
    const SaveRequest request = ReadSaveList(save_list);
    int32_t id = 0;
    RunInWriteTransaction(*connection, [&] {
      id = BillSave(*connection, request).Run();
      return true;
    });
    result->SetValue("Success", Variant(true));
    result->SetValue("BillInterID", Variant(id));
  } catch (const SaveRefusal& refusal) {
    result->SetValue("RetCode", Variant(refusal.ret_code()));
    result->SetValue("ReturnMsg", Variant(refusal.what()));
  } catch (...) {
    result->SetValue("ReturnMsg", Variant(CurrentExceptionAsRuntimeError().description()));
  }
  try {
    connection->CloseConn();
  } catch (...) {
    // Closing only gives the database handle back; nothing is lost.
  }
  return result;
}

}  // namespace corvane::erp
