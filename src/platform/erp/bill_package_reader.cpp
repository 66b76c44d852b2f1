#include "platform/erp/bill_package_reader.h"

#include "platform/erp/account_connection.h"
#include "values/run_time_error.h"

namespace corvane::erp {
namespace {

constexpr const char* kSource = "TavoMBillsPackage.clsReadPackage";

// The value of a save option as its declared type.
Variant OptionValue(const std::string& name, const Variant& text, const std::string& type) {
  try {
    if (EqualsIgnoreCase(type, "Boolean")) return Variant(CBool(text));
    if (EqualsIgnoreCase(type, "Integer")) return Variant(CInt(text));
    if (EqualsIgnoreCase(type, "Long")) return Variant(CLng(text));
    if (EqualsIgnoreCase(type, "String")) return Variant(CStr(text));
  } catch (const RuntimeError&) {
    // Reported below with the option's name.
  }
  throw RuntimeError(err::kTypeMismatch, kSource,
                     "The save option \"" + name + "\" does not read as " + type + ": \"" +
                         (text.IsNull() ? std::string("Null") : CStr(text)) + "\"");
}

}  // namespace

void BillPackageReader::GetBillEmptyPackage(std::string& props, int32_t& tran_type,
                                            Variant& package) {
  const ConnectionPtr connection = ConnectAccount(props, kSource);
  const RecordSetPtr rows = connection->Execute(
      "SELECT FName, FValue, FValueType FROM t_BillSaveOption WHERE FTranType=" +
      std::to_string(tran_type) + " ORDER BY FName");
  connection->CloseConn();

  auto save_info = ValueDictionary::Create();
  for (; !rows->Eof(); rows->MoveNext()) {
    const std::string name = CStr(rows->Fields("FName"));
    save_info->SetValue(
        name, OptionValue(name, rows->Fields("FValue"), CStr(rows->Fields("FValueType"))));
  }
  auto bill_info = ValueDictionary::Create();
  bill_info->SetValue("SaveInfo", Variant(save_info));
  auto data_structure = ValueDictionary::Create();
  data_structure->SetValue("BillInfo", Variant(bill_info));
  auto whole = ValueDictionary::Create();
  whole->SetValue("DataStructure", Variant(data_structure));
  package = Variant(whole);
}

}  // namespace corvane::erp
