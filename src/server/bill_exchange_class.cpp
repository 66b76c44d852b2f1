#include "server/bill_exchange_class.h"

namespace corvane::server {

void DeclareBillExchangeInterface(ClassBinding<BillExchange>& binding, BillExchangeDispids ids) {
  using T = DispType;
  binding
      .Method("Export", ids.export_id, T::Boolean,
              {InOut("strPropsString", T::String), InOut("strXML", T::String),
               Optional(In("lPerCount", T::Long), Variant(int32_t{100})),
               Optional(InOut("strTimeStamp", T::String), Variant("")),
               Optional(InOut("strMaxTimeStamp", T::String), Variant("")),
               Optional(InOut("strError", T::String))},
              [](BillExchange& o, Arguments& a) {
                return Variant(o.Export(a.String(0), a.String(1), a.Long(2), a.String(3),
                                        a.String(4), a.String(5)));
              })
      .Method("Import", ids.import_id, T::Boolean,
              {InOut("strPropsString", T::String), In("strXML", T::String),
               InOut("strError", T::String)},
              [](BillExchange& o, Arguments& a) {
                return Variant(o.Import(a.String(0), a.String(1), a.String(2)));
              })
      .WriteOnlyProperty("Filter", kDispidFilter, T::String,
                         [](BillExchange& o, const Variant& v) { o.SetFilter(v.AsString()); })
      .WriteOnlyProperty("CheckByUUID", kDispidCheckByUUID, T::Boolean,
                         [](BillExchange& o, const Variant& v) { o.SetCheckByUUID(v.AsBool()); })
      .WriteOnlyProperty("AddNewOnly", kDispidAddNewOnly, T::Boolean,
                         [](BillExchange& o, const Variant& v) { o.SetAddNewOnly(v.AsBool()); })
      .WriteOnlyProperty("bProgress", kDispidbProgress, T::Boolean,
                         [](BillExchange& o, const Variant& v) { o.SetbProgress(v.AsBool()); })
      .WriteOnlyProperty(
          "ImportErrorIgnore", kDispidImportErrorIgnore, T::Boolean,
          [](BillExchange& o, const Variant& v) { o.SetImportErrorIgnore(v.AsBool()); })
      .Event("Progress", kDispidProgress,
             {In("lCur", T::Long), In("lTotal", T::Long), In("pSucceed", T::Boolean),
              In("sMsg", T::String)})
      .ConnectEvents([](BillExchange& o, EventRaiser raise) {
        o.SetProgressHandler([raise = std::move(raise)](int32_t lCur, int32_t lTotal, bool pSucceed,
                                                        const std::string& sMsg) {
          raise(kDispidProgress,
                {Variant(lCur), Variant(lTotal), Variant(pSucceed), Variant(sMsg)});
        });
      });
}

}  // namespace corvane::server
