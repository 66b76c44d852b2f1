// The installed document schemas against their sample documents: every
// sample reads, writes back and reads again to the same tree, the writer's
// text passes an independent validator, and every invalid sample is refused.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/xml/xml_reader.h"
#include "platform/xml/xml_writer.h"
#include "support/temp_dir.h"
#include "values/value_vector.h"

namespace corvane::xml {
namespace {

namespace fs = std::filesystem;

fs::path Source() {
  const char* dir = std::getenv("CORVANE_SOURCE_DIR");
  return dir ? fs::path(dir) : fs::path(".");
}

std::string ReadText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

struct Sample {
  std::string root;
  fs::path file;
  bool valid;
};

std::vector<Sample> Samples() {
  std::vector<Sample> samples;
  for (const auto& entry : fs::directory_iterator(Source() / "tests/fixtures/xml")) {
    const std::string name = entry.path().filename().string();
    const size_t dot = name.find('.');
    if (dot == std::string::npos || entry.path().extension() != ".xml") continue;
    samples.push_back({name.substr(0, dot), entry.path(), name.find(".invalid") == std::string::npos});
  }
  std::sort(samples.begin(), samples.end(), [](auto& a, auto& b) { return a.file < b.file; });
  return samples;
}

const char* const kRoots[] = {"TavoIndSaleOrder",   "TavoIndSaleInvoice",
                              "TavoIndStockBill",   "Delete",
                              "TavoSaleOrderTrace", "TavoStockDataQueryWithBatch",
                              "TavoStockDataQueryWithOutBatch", "TavoSaleOrder"};

std::string SchemaOf(const std::string& root) { return (Source() / "schema" / (root + ".xsd")).string(); }

TEST(DocumentSchemas, EveryRootHasASchemaTheWriterUnderstands) {
  for (const char* root : kRoots) {
    SCOPED_TRACE(root);
    std::string xml, error;
    EXPECT_TRUE(XmlWriter().OutputXMLString(Variant(ValueVector::Create()), xml, SchemaOf(root),
                                            root, error))
        << error;
    EXPECT_NE(xml.find(std::string("<") + root), std::string::npos);
  }
}

TEST(DocumentSchemas, SamplesRoundTripAndInvalidSamplesAreRefused) {
  const std::vector<Sample> samples = Samples();
  ASSERT_GE(samples.size(), 16u);
  testing::TempDir dir;
  int valid = 0, invalid = 0;
  for (const Sample& s : samples) {
    SCOPED_TRACE(s.file.filename().string());
    const std::string schema = SchemaOf(s.root);
    Variant tree;
    std::string error;
    const bool read = XmlReader().InputXMLString(tree, ReadText(s.file), schema, s.root, error);
    if (!s.valid) {
      ++invalid;
      EXPECT_FALSE(read);
      EXPECT_NE(error, "");
      continue;
    }
    ++valid;
    ASSERT_TRUE(read) << error;
    std::string first;
    ASSERT_TRUE(XmlWriter().OutputXMLString(tree, first, schema, s.root, error)) << error;
    Variant again;
    ASSERT_TRUE(XmlReader().InputXMLString(again, first, schema, s.root, error)) << error;
    std::string second;
    ASSERT_TRUE(XmlWriter().OutputXMLString(again, second, schema, s.root, error)) << error;
    EXPECT_EQ(first, second);
    const std::string file = dir.File("out.xml");
    std::ofstream(file, std::ios::trunc) << first;
    const std::string command = "xmllint --noout --schema '" + schema + "' '" + file + "' 2>&1";
    EXPECT_EQ(std::system((command + " >/dev/null").c_str()), 0) << first;
  }
  EXPECT_GE(valid, 16);
  EXPECT_GE(invalid, 8);
}

}  // namespace
}  // namespace corvane::xml
