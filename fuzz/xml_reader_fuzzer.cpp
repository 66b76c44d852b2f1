// Fuzz target: the "XMLQNV2.Read" component reading any text against the
// document schemas of schema/. The text picks its schema: the first root name
// it holds after "<" (longest names first), TavoSaleOrder when it holds none,
// so the seeds stay plain documents and mutations move between schemas.
// A refusal is an answer, not a finding; a crash, a sanitizer report, a leak,
// an exception out of the component or an answer that contradicts itself is.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/xml/xml_reader.h"
#include "values/value_vector.h"

namespace {

constexpr std::string_view kRoots[] = {
    "TavoStockDataQueryWithOutBatch",
    "TavoStockDataQueryWithBatch",
    "TavoSaleOrderTrace",
    "TavoIndSaleInvoice",
    "TavoIndSaleOrder",
    "TavoIndStockBill",
    "TavoSaleOrder",
    "Delete",
};

std::string_view RootOf(std::string_view text) {
  for (std::string_view root : kRoots) {
    for (size_t at = text.find(root); at != std::string_view::npos; at = text.find(root, at + 1))
      if (at > 0 && text[at - 1] == '<') return root;
  }
  return "TavoSaleOrder";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string_view root = RootOf(text);
  const std::string schema = CORVANE_SCHEMA_DIR + std::string(root) + ".xsd";
  corvane::Variant document(int32_t{7});
  std::string error;
  const bool read = corvane::xml::XmlReader().InputXMLString(document, text, schema, root, error);
  // Success gives a list of records and no error text; failure leaves the
  // document as it was and says why.
  if (read != error.empty()) __builtin_trap();
  if (read ? !document.ObjectAs<corvane::ValueVector>() : document != corvane::Variant(int32_t{7}))
    __builtin_trap();
  return 0;
}
