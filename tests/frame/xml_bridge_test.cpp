#include "frame/xml_bridge.h"

#include <gtest/gtest.h>

#include "frame/outside/object_factory.h"
#include "frame/outside/system_services.h"
#include "frame/outside/xml_transfer.h"
#include "platform/platform_components.h"
#include "support/error_number.h"
#include "support/test_schema.h"
#include "values/value_dictionary.h"

namespace corvane {
namespace {

using testing::ErrorNumberOf;

class XmlBridgeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::RegisterPlatformComponents();
    // The component's own folder holds the test schema.
    SystemServices services;
    services.module_folder = [] { return testing::TestSchemaFolder(); };
    previous_ = InstallSystemServices(services);
  }
  void TearDown() override { InstallSystemServices(previous_); }

  static ValueVectorPtr OneDoc(const char* bill_no) {
    auto doc = ValueDictionary::Create();
    doc->SetValue("BillNo", Variant(bill_no));
    auto docs = ValueVector::Create();
    docs->Add(Variant(doc));
    return docs;
  }

  SystemServices previous_;
};

TEST_F(XmlBridgeTest, AMissingSchemaFileIsServedFromTheComponentsFolder) {
  EXPECT_EQ(ResolveSchemaPath(testing::TestSchemaPath()), testing::TestSchemaPath());
  EXPECT_EQ(ResolveSchemaPath("SCHEMA/TestDocs.xsd"), testing::TestSchemaPath());
  EXPECT_EQ(ResolveSchemaPath("C:\\Svc\\SCHEMA\\TestDocs.xsd"), testing::TestSchemaPath());

  std::string xml, error;
  ASSERT_TRUE(WriteXMLDocument(OneDoc("SO1"), xml, "SCHEMA/TestDocs.xsd", "TestDocs", error)) << error;
  ValueVectorPtr back;
  ASSERT_TRUE(ReadXMLDocument(back, xml, "SCHEMA/TestDocs.xsd", "TestDocs", error)) << error;
  EXPECT_EQ(back->Item(1).ObjectAs<ValueDictionary>()->Value("BillNo"), Variant("SO1"));
}

TEST_F(XmlBridgeTest, AFailingWriteEmptiesTheCallersText) {
  auto docs = OneDoc("SO1");
  docs->Item(1).ObjectAs<ValueDictionary>()->SetValue("Colour", Variant("red"));
  std::string xml = "<earlier/>", error;
  EXPECT_FALSE(WriteXMLDocument(docs, xml, testing::TestSchemaPath(), "TestDocs", error));
  EXPECT_EQ(xml, "");
  EXPECT_NE(error.find("Colour"), std::string::npos);
}

TEST_F(XmlBridgeTest, AFailingReadReportsThroughTheErrorText) {
  ValueVectorPtr doc;
  std::string error;
  EXPECT_FALSE(ReadXMLDocument(doc, "<nope", testing::TestSchemaPath(), "TestDocs", error));
  EXPECT_NE(error, "");
}

// A reader that answers something other than a list of records.
class OddReader : public IXmlReader {
 public:
  bool InputXMLString(Variant& document, std::string_view, std::string_view, std::string_view,
                      std::string&) override {
    document = Variant(ValueDictionary::Create());
    return true;
  }
  bool InputXML(Variant&, std::string_view, std::string_view, std::string_view,
                std::string&) override {
    return false;
  }
};

TEST_F(XmlBridgeTest, ComponentFailuresAreRunTimeErrors) {
  ValueVectorPtr doc;
  std::string xml, error;
  {
    ScopedProgIdOverride odd(kXmlReaderProgId, [] { return std::make_shared<OddReader>(); });
    EXPECT_EQ(ErrorNumberOf([&] { ReadXMLDocument(doc, "<x/>", "", "TestDocs", error); }),
              err::kTypeMismatch);
  }
  {
    // A reader that answers success with no document at all.
    class NothingReader : public OddReader {
     public:
      bool InputXMLString(Variant& document, std::string_view, std::string_view, std::string_view,
                          std::string&) override {
        document = Variant::Nothing();
        return true;
      }
    };
    ScopedProgIdOverride nothing(kXmlReaderProgId, [] { return std::make_shared<NothingReader>(); });
    EXPECT_EQ(ErrorNumberOf([&] { ReadXMLDocument(doc, "<x/>", "", "TestDocs", error); }),
              err::kObjectNotSet);
  }
  ScopedProgIdOverride no_writer(kXmlWriterProgId, nullptr);
  ScopedProgIdOverride no_reader(kXmlReaderProgId, nullptr);
  EXPECT_EQ(ErrorNumberOf([&] { WriteXMLDocument(OneDoc("x"), xml, "", "TestDocs", error); }),
            err::kCannotCreateObject);
  EXPECT_EQ(ErrorNumberOf([&] { ReadXMLDocument(doc, "<x/>", "", "TestDocs", error); }),
            err::kCannotCreateObject);
}

}  // namespace
}  // namespace corvane
