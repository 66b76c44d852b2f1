#include "frame/key_mapping.h"

#include <optional>
#include <unordered_map>

#include "frame/gateway.h"
#include "frame/sql_text.h"
#include "values/run_time_error.h"

namespace corvane {
namespace {

enum class Kind { Currency, Item, MeasureUnit, Contract, SubMessage, User, StockPlace };

std::optional<Kind> KindOf(std::string_view kind) {
  static const std::pair<const char*, Kind> kKinds[] = {
      {"Currency", Kind::Currency},     {"Item", Kind::Item},       {"MeasureUnit", Kind::MeasureUnit},
      {"Contract", Kind::Contract},     {"SubMessage", Kind::SubMessage}, {"User", Kind::User},
      {"StockPlace", Kind::StockPlace}};
  for (const auto& [name, k] : kKinds)
    if (EqualsIgnoreCase(name, kind)) return k;
  return std::nullopt;
}

// The statement that reads a row's Number, Name and UUID, followed by its ID.
const char* KeyStatement(Kind kind) {
  switch (kind) {
    case Kind::Currency: return "SELECT FNumber,FName,UUID FROM t_Currency WHERE FCurrencyID=";
    case Kind::Item: return "SELECT FNumber,FName,UUID FROM t_Item WHERE FItemID=";
    case Kind::MeasureUnit:
      return "SELECT FNumber,FName,UUID FROM t_MeasureUnit WHERE FMeasureUnitID=";
    case Kind::Contract:
      return "SELECT FContractID AS FNumber,FContractNO AS FName,UUID FROM t_RpContract WHERE "
             "FContractID=";
    case Kind::SubMessage:
      return "SELECT FID AS FNumber,FName,UUID FROM t_SubMessage WHERE FInterID=";
    case Kind::User: return "SELECT FUserID AS FNumber,FName,UUID FROM t_User WHERE FUserID=";
    case Kind::StockPlace: return "SELECT FNumber,FName,FUUID FROM t_StockPlace WHERE FSPID=";
  }
  return "";
}

// The ID of a matching row; a Null or non-numeric ID names no row.
int32_t IdOf(const Variant& value) {
  try {
    return CLng(value);
  } catch (const RuntimeError&) {
    return 0;
  }
}

// The key records made in the KeyRecordSharing scope of this thread, by
// kind and row; null outside a scope.
using SharedRecords = std::unordered_map<uint64_t, ValueDictionaryPtr>;
thread_local SharedRecords* shared_records = nullptr;
constexpr size_t kSharedLimit = 4096;

uint64_t RowKey(Kind kind, int32_t id) {
  return (static_cast<uint64_t>(kind) << 32) | static_cast<uint32_t>(id);
}

}  // namespace

KeyRecordSharing::KeyRecordSharing() : outer_(shared_records) {
  shared_records = new SharedRecords();
}

KeyRecordSharing::~KeyRecordSharing() {
  delete shared_records;
  shared_records = static_cast<SharedRecords*>(outer_);
}

void PutBaseDataKey(ValueDictionary& parent, int32_t id, std::string_view key_name,
                    std::string_view kind) {
  if (id == 0) return;
  const std::optional<Kind> k = KindOf(kind);
  if (!k) return;
  // A connection or statement that fails raises: the document would else
  // leave the reference out as if the row did not exist.
  ConnectionPtr connection;
  OpenErpConnection(connection);
  RecordSetPtr rs = connection->GetAnyRecordSet(KeyStatement(*k) + std::to_string(id));
  if (rs->Eof()) return;
  Variant number = rs->Fields("FNumber");
  Variant name = rs->Fields("FName");
  Variant uuid = rs->Fields(*k == Kind::StockPlace ? "FUUID" : "UUID");
  ValueDictionaryPtr* shared = nullptr;
  if (shared_records) {
    if (shared_records->size() >= kSharedLimit) shared_records->clear();
    shared = &(*shared_records)[RowKey(*k, id)];
    const ValueDictionaryPtr& last = *shared;
    if (last && last->Count() == 3 && last->Value("Number") == number &&
        last->Value("Name") == name && last->Value("UUID") == uuid) {
      parent.SetValue(key_name, Variant(last));
      return;
    }
  }
  auto key = ValueDictionary::Create();
  key->Reserve(3);  // a page holds thousands of key records
  key->SetValue("Number", std::move(number));
  key->SetValue("Name", std::move(name));
  key->SetValue("UUID", std::move(uuid));
  if (shared) *shared = key;
  parent.SetValue(key_name, Variant(key));
}

int32_t FindBaseDataID(bool check_by_uuid, const ValueDictionary& source, std::string_view kind,
                       const Variant& item_class) {
  std::string base, key_column, key_value;
  std::string uuid;
  // A key record that cannot be read (a Null or missing Number or Name, an
  // item class that is no number) names no row.
  try {
    uuid = CStr(source.GetValue("UUID", Variant(std::string())));
    const std::string number = CStr(source.Value("Number"));
    const std::string name = CStr(source.Value("Name"));
    const std::optional<Kind> k = KindOf(kind);
    if (!k) return 0;
    key_value = number;

    switch (*k) {
      case Kind::Currency:
        base = "SELECT FCurrencyID as FItemID FROM t_Currency  WHERE 1=1 ";
        key_column = "FNumber";
        break;
      case Kind::Item:
        // The class goes into the text unquoted: it must be a number.
        if (item_class.IsEmpty() || item_class.IsNull()) return 0;
        base = "SELECT FItemID FROM t_Item  WHERE FItemClassID=" + std::to_string(CLng(item_class));
        key_column = "FNumber";
        break;
      case Kind::MeasureUnit:
        base = " select FMeasureUnitID as FItemID from t_measureunit  WHERE 1=1 ";
        key_column = "FName";
        key_value = name;
        check_by_uuid = false;  // units are matched by name only
        break;
      case Kind::Contract:
        base = "SELECT  FContractID AS FItemID FROM t_RpContract  WHERE 1=1 ";
        key_column = "FContractNo";
        break;
      case Kind::SubMessage:
        base = "SELECT FInterID AS FItemID FROM t_SubMessage  WHERE 1=1 ";
        key_column = "FID";
        break;
      case Kind::User:
        base = "SELECT FUserID AS FItemID FROM t_User  WHERE 1=1 ";
        key_column = "FUserID";
        break;
      case Kind::StockPlace:
        base = "Select FSPID AS FItemID from t_StockPlace WHERE 1=1 ";
        key_column = "FNumber";
        break;
    }
  } catch (const RuntimeError&) {
    return 0;
  }

  // From here a failure is the database's and raises: it is no unknown key.
  ConnectionPtr connection;
  OpenErpConnection(connection);
  RecordSetPtr rs;
  if (check_by_uuid) {
    rs = connection->GetAnyRecordSet(base + " AND UUID='" + SqlQuoteInner(uuid) + "'");
    if (!rs->Eof()) return IdOf(rs->Fields("FItemID"));
  }
  rs = connection->GetAnyRecordSet(base + " AND " + key_column + "='" + SqlQuoteInner(key_value) +
                                   "'");
  return rs->Eof() ? 0 : IdOf(rs->Fields("FItemID"));
}

void FindBillKey(ValueDictionary& parent, std::string_view bill_no, std::string_view key_name,
                 int32_t tran_type) {
  if (bill_no.empty()) return;
  std::string sql;
  if (tran_type == 21) {
    sql = "SELECT FBillNo,FInterID,FUUID FROM ICStockBill WHERE FTranType=21 AND FBillNo='" +
          SqlQuoteInner(bill_no) + "'";
  } else if (tran_type == 81) {
    sql = "SELECT FBillNo,FInterID,FUUID FROM SEOrder WHERE FBillNo='" + SqlQuoteInner(bill_no) + "'";
  } else {
    return;
  }
  ConnectionPtr connection;
  OpenErpConnection(connection);
  RecordSetPtr rs = connection->GetAnyRecordSet(sql);
  if (rs->Eof()) return;
  auto key = ValueDictionary::Create();
  key->SetValue("Number", rs->Fields("FBillNo"));
  key->SetValue("Name", rs->Fields("FBillNo"));
  key->SetValue("UUID", rs->Fields("FUUID"));
  parent.SetValue(key_name, Variant(key));
}

}  // namespace corvane
