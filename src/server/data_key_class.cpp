#include "server/data_key_class.h"

namespace corvane::server {

std::shared_ptr<const ClassBinding<clsDataKey>> DataKeyBinding() {
  static const std::shared_ptr<const ClassBinding<clsDataKey>> binding = [] {
    using T = DispType;
    auto b = std::make_shared<ClassBinding<clsDataKey>>(
        "clsDataKey", []() { return std::make_shared<clsDataKey>(); });
    b->Method("ExportXMLDataKey", kDispidExportXMLDataKey, T::Boolean,
              {In("strPropsString", T::String), In("iBillType", T::Long),
               InOut("strXML", T::String), Optional(In("lPerCount", T::Long), Variant(int32_t{100})),
               Optional(InOut("strTimeStamp", T::String), Variant("")),
               Optional(InOut("strMaxTimeStamp", T::String), Variant("")),
               Optional(InOut("strError", T::String))},
              [](clsDataKey& o, Arguments& a) {
                return Variant(o.ExportXMLDataKey(a.String(0), a.Long(1), a.String(2), a.Long(3),
                                                  a.String(4), a.String(5), a.String(6)));
              })
        .Method("ImportXMLDataKey", kDispidImportXMLDataKey, T::Boolean,
                {InOut("strPropsString", T::String), In("iBillType", T::Long),
                 In("strXML", T::String), InOut("strError", T::String)},
                [](clsDataKey& o, Arguments& a) {
                  return Variant(o.ImportXMLDataKey(a.String(0), a.Long(1), a.String(2), a.String(3)));
                });
    return b;
  }();
  return binding;
}

DispatchPtr CreateDataKeyObject() { return CreateBoundObject(DataKeyBinding()); }

}  // namespace corvane::server
