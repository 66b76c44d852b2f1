#include "server/dts_class.h"

namespace corvane::server {

std::shared_ptr<const ClassBinding<DTS>> DtsBinding() {
  static const std::shared_ptr<const ClassBinding<DTS>> binding = [] {
    using T = DispType;
    auto b = std::make_shared<ClassBinding<DTS>>("DTS", []() { return std::make_shared<DTS>(); });
    const auto log = Optional(In("sLogFile", T::String), Variant(""));
    const auto xml = Optional(InOut("sXML", T::String), Variant(""));
    b->Method("ExportXMLDataForWebService", 0x60030000, T::Boolean,
              {In("sDSN", T::String), In("lBaseType", T::Long), In("sFile", T::String),
               In("sFilter", T::String), log, xml},
              [](DTS& o, Arguments& a) {
                return Variant(o.ExportXMLDataForWebService(a.String(0), a.Long(1), a.String(2),
                                                            a.String(3), a.String(4), a.String(5)));
              })
        .Method("ExportXMLDataKeyForWebService", 0x60030001, T::Boolean,
                {In("sDSN", T::String), In("sFile", T::String), In("sFilter", T::String), log, xml},
                [](DTS& o, Arguments& a) {
                  return Variant(o.ExportXMLDataKeyForWebService(a.String(0), a.String(1),
                                                                 a.String(2), a.String(3),
                                                                 a.String(4)));
                })
        .Method("ImportXMLDataForWebService", 0x60030002, T::Boolean,
                {In("sDSN", T::String), In("lBaseType", T::Long), In("bReplace", T::Boolean),
                 In("sFile", T::String), log, xml},
                [](DTS& o, Arguments& a) {
                  return Variant(o.ImportXMLDataForWebService(a.String(0), a.Long(1), a.Boolean(2),
                                                              a.String(3), a.String(4), a.String(5)));
                })
        .Method("ImportXMLDataKeyForWebService", 0x60030003, T::Boolean,
                {In("sDSN", T::String), In("sFile", T::String), log, xml},
                [](DTS& o, Arguments& a) {
                  return Variant(o.ImportXMLDataKeyForWebService(a.String(0), a.String(1),
                                                                 a.String(2), a.String(3)));
                });
    return b;
  }();
  return binding;
}

DispatchPtr CreateDtsObject() { return CreateBoundObject(DtsBinding()); }

}  // namespace corvane::server
