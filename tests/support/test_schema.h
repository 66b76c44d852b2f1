// The small test schema of tests/fixtures/test_schema: root TestDocs, record
// Doc (BillNo, Date, Count, Rate, Flag, Customer key record, repeated Entry of
// Item and Qty, repeated Tag, Note).
#pragma once

#include <cstdlib>
#include <string>

namespace corvane::testing {

inline std::string TestSchemaFolder() {
  const char* source = std::getenv("CORVANE_SOURCE_DIR");
  return std::string(source ? source : ".") + "/tests/fixtures/test_schema/";
}

inline std::string TestSchemaPath() { return TestSchemaFolder() + "TestDocs.xsd"; }

}  // namespace corvane::testing
