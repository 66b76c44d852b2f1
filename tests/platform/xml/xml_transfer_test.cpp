#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "platform/xml/xml_reader.h"
#include "platform/xml/xml_writer.h"
#include "support/temp_dir.h"
#include "support/test_schema.h"
#include "support/variant_print.h"
#include "values/value_dictionary.h"
#include "values/value_vector.h"

namespace corvane::xml {
namespace {

class XmlTransferTest : public ::testing::Test {
 protected:
  std::string Schema() const { return testing::TestSchemaPath(); }

  static ValueDictionaryPtr Key(Variant number, Variant name, Variant uuid) {
    auto k = ValueDictionary::Create();
    k->SetValue("Number", std::move(number));
    k->SetValue("Name", std::move(name));
    k->SetValue("UUID", std::move(uuid));
    return k;
  }

  // A realistic document of two records.
  static ValueVectorPtr Documents() {
    auto entries = ValueVector::Create();
    for (int i = 1; i <= 2; ++i) {
      auto e = ValueDictionary::Create();
      e->SetValue("Item", Variant(Key(Variant("M00" + std::to_string(i)), Variant("螺栓 M" + std::to_string(i)),
                                      Variant("U-" + std::to_string(i)))));
      e->SetValue("Qty", Variant(i * 1.5));
      entries->Add(Variant(e));
    }
    auto first = ValueDictionary::Create();
    first->SetValue("billno", Variant("SO'1 & <2> \"q\""));  // keys match without case
    first->SetValue("Note", Variant("销售订单 — 备注"));         // written in schema order
    first->SetValue("Date", Variant("2024-03-05"));
    first->SetValue("Count", Variant(int32_t(3)));
    first->SetValue("Rate", Variant(0.1 + 0.2));
    first->SetValue("Flag", Variant(true));
    first->SetValue("Customer", Variant(Key(Variant("C001"), Variant::Null(), Variant("U-C"))));
    first->SetValue("Entry", Variant(entries));
    first->SetValue("Tag", Variant(ValueVector::Create()));
    auto second = ValueDictionary::Create();
    second->SetValue("BillNo", Variant("SO2"));
    second->SetValue("Count", Variant::Null());
    auto docs = ValueVector::Create();
    docs->Add(Variant(first));
    docs->Add(Variant(second));
    return docs;
  }

  std::string Write(const Variant& doc, std::string& error) {
    std::string xml = "left over";
    XmlWriter().OutputXMLString(doc, xml, Schema(), "TestDocs", error);
    return xml;
  }
  ValueVectorPtr Read(const std::string& xml, std::string& error) {
    Variant doc;
    if (!XmlReader().InputXMLString(doc, xml, Schema(), "TestDocs", error)) return nullptr;
    return doc.ObjectAs<ValueVector>();
  }

  testing::TempDir dir_;
};

TEST_F(XmlTransferTest, TreeToXmlToTree) {
  std::string error;
  const std::string xml = Write(Variant(Documents()), error);
  ASSERT_EQ(error, "");
  EXPECT_NE(xml.find("<TestDocs xmlns=\"urn:test:docs\">"), std::string::npos) << xml;
  EXPECT_NE(xml.find("SO'1 &amp; &lt;2&gt; \"q\""), std::string::npos) << xml;
  EXPECT_LT(xml.find("<BillNo>"), xml.find("<Date>"));
  EXPECT_LT(xml.find("<Tag") == std::string::npos ? 0 : 1, 1);  // an empty list writes nothing
  EXPECT_NE(xml.find("<Rate>0.3</Rate>"), std::string::npos) << xml;

  const ValueVectorPtr back = Read(xml, error);
  ASSERT_TRUE(back) << error;
  ASSERT_EQ(back->Count(), 2);
  auto first = back->Item(1).ObjectAs<ValueDictionary>();
  EXPECT_EQ(first->Value("BillNo"), Variant("SO'1 & <2> \"q\""));
  EXPECT_EQ(first->Value("Note"), Variant("销售订单 — 备注"));
  EXPECT_EQ(first->Value("Date"), Variant("2024-03-05"));  // dates come back as text
  EXPECT_EQ(first->Value("Count"), Variant(int32_t(3)));
  EXPECT_EQ(first->Value("Rate"), Variant(0.3));
  EXPECT_EQ(first->Value("Flag"), Variant(true));
  auto customer = first->Value("Customer").ObjectAs<ValueDictionary>();
  EXPECT_EQ(customer->Value("Number"), Variant("C001"));
  EXPECT_FALSE(customer->Exists("Name"));  // Null wrote no element
  auto entries = first->Value("Entry").ObjectAs<ValueVector>();
  ASSERT_EQ(entries->Count(), 2);
  auto entry = entries->Item(2).ObjectAs<ValueDictionary>();
  EXPECT_EQ(entry->Value("Qty"), Variant(3.0));
  EXPECT_EQ(entry->Value("Item").ObjectAs<ValueDictionary>()->Value("Name"), Variant("螺栓 M2"));
  EXPECT_EQ(first->Value("Tag").ObjectAs<ValueVector>()->Count(), 0);
  // A list the record never mentioned still comes back, empty.
  auto second = back->Item(2).ObjectAs<ValueDictionary>();
  EXPECT_EQ(second->Value("Entry").ObjectAs<ValueVector>()->Count(), 0);
  EXPECT_FALSE(second->Exists("Count"));
}

TEST_F(XmlTransferTest, WrittenXmlPassesAnIndependentValidator) {
  std::string error;
  const std::string xml = Write(Variant(Documents()), error);
  ASSERT_EQ(error, "");
  const std::string file = dir_.File("out.xml");
  std::ofstream(file) << xml;
  const std::string command =
      "xmllint --noout --schema '" + Schema() + "' '" + file + "' >/dev/null 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << xml;
}

// The writer makes the text itself; it must be byte for byte what the XML
// library's own formatted output of the same tree is.
TEST_F(XmlTransferTest, WrittenTextIsTheXmlLibrarysOwnFormatting) {
  auto odd = ValueDictionary::Create();
  odd->SetValue("BillNo", Variant("a\rb\tc\nd > e && f ]]> g"));
  odd->SetValue("Customer", Variant(Key(Variant("C"), Variant("名称 \"引号\""), Variant::Null())));
  auto with_odd_text = ValueVector::Create();
  with_odd_text->Add(Variant(odd));
  for (const ValueVectorPtr& docs : {Documents(), ValueVector::Create(), with_odd_text}) {
    std::string error;
    const std::string xml = Write(Variant(docs), error);
    ASSERT_EQ(error, "");
    SCOPED_TRACE(xml);
    xmlDocPtr doc = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr,
                                  XML_PARSE_NOBLANKS | XML_PARSE_NONET);
    ASSERT_NE(doc, nullptr);
    xmlChar* buffer = nullptr;
    int size = 0;
    xmlDocDumpFormatMemoryEnc(doc, &buffer, &size, "UTF-8", 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer), static_cast<size_t>(size)), xml);
    xmlFree(buffer);
    xmlFreeDoc(doc);
  }
  // Empty text is an element holding empty text, as the library writes it
  // (reading it back gives an element without content, written <Note/>).
  odd->SetValue("Note", Variant(""));
  std::string error;
  EXPECT_NE(Write(Variant(with_odd_text), error).find("<Note></Note>"), std::string::npos);
}

TEST_F(XmlTransferTest, AnEmptyListOfRecordsIsAnEmptyDocument) {
  std::string error;
  const std::string xml = Write(Variant(ValueVector::Create()), error);
  ASSERT_EQ(error, "");
  const ValueVectorPtr back = Read(xml, error);
  ASSERT_TRUE(back) << error;
  EXPECT_EQ(back->Count(), 0);
}

TEST_F(XmlTransferTest, DocumentsThatDoNotFitAreRefusedNamingTheElement) {
  struct Case {
    const char* why;
    std::function<void(ValueDictionary&)> spoil;
    const char* says;
  };
  const Case cases[] = {
      {"unknown key", [](ValueDictionary& d) { d.SetValue("Colour", Variant("red")); }, "Colour"},
      {"text for a number", [](ValueDictionary& d) { d.SetValue("Count", Variant("abc")); },
       "Doc[1]/Count: \"abc\" is not a number"},
      {"fraction for an integer", [](ValueDictionary& d) { d.SetValue("Count", Variant(2.5)); },
       "Doc[1]/Count: 2.5 is not a whole number"},
      {"bad date text", [](ValueDictionary& d) { d.SetValue("Date", Variant("2024-02-30")); },
       "Date"},
      {"text for a key record", [](ValueDictionary& d) { d.SetValue("Customer", Variant("C001")); },
       "Customer: needs child elements"},
      {"list for a single element", [](ValueDictionary& d) {
         auto v = ValueVector::Create();
         v->Add(Variant("a"));
         v->Add(Variant("b"));
         d.SetValue("Note", Variant(v));
       }, "Note: occurs once"},
      {"unknown key in an entry", [](ValueDictionary& d) {
         auto e = ValueDictionary::Create();
         e->SetValue("Qtty", Variant(1));
         auto v = ValueVector::Create();
         v->Add(Variant(e));
         d.SetValue("Entry", Variant(v));
       }, "\"Qtty\" is not an element of Entry"},
      {"control character", [](ValueDictionary& d) { d.SetValue("Note", Variant("a\x01")); },
       "Note: holds a character XML cannot carry"},
      {"non-character U+FFFE", [](ValueDictionary& d) { d.SetValue("Note", Variant("a\xEF\xBF\xBE")); },
       "Note: holds a character XML cannot carry"},
      {"encoded surrogate", [](ValueDictionary& d) { d.SetValue("Note", Variant("\xED\xA0\x80")); },
       "Note: holds a character XML cannot carry"},
      {"broken UTF-8", [](ValueDictionary& d) { d.SetValue("Note", Variant("\xC3")); },
       "Note: holds a character XML cannot carry"},
      {"missing required element", [](ValueDictionary& d) { d.Remove("BillNo"); }, "BillNo"},
      {"binary value", [](ValueDictionary& d) { d.SetValue("Note", Variant(Bytes{1})); }, "Note"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    auto docs = Documents();
    c.spoil(*docs->Item(1).ObjectAs<ValueDictionary>());
    std::string error;
    const std::string xml = Write(Variant(docs), error);
    EXPECT_EQ(xml, "");  // a failing write leaves the caller's text empty
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
  }
  // Records are validated one at a time; the schema's complaint still names
  // the record by its place in the whole document.
  {
    auto docs = Documents();
    docs->Item(2).ObjectAs<ValueDictionary>()->Remove("BillNo");
    std::string error;
    EXPECT_EQ(Write(Variant(docs), error), "");
    EXPECT_NE(error.find("Doc[2]"), std::string::npos) << error;
  }
  std::string error;
  EXPECT_EQ(Write(Variant("not a list"), error), "");
  EXPECT_NE(error.find("not a list of records"), std::string::npos);
  auto with_scalar = ValueVector::Create();
  with_scalar->Add(Variant(1));
  EXPECT_EQ(Write(Variant(with_scalar), error), "");
  EXPECT_NE(error.find("must be a dictionary"), std::string::npos);
}

TEST_F(XmlTransferTest, BadTextIsRefusedWithItsPlace) {
  const std::string head = "<?xml version=\"1.0\"?>\n<TestDocs xmlns=\"urn:test:docs\">\n";
  struct Case {
    const char* why;
    std::string xml;
    const char* says;
  };
  const Case cases[] = {
      {"not well-formed", head + "<Doc><BillNo>x</Bill></Doc></TestDocs>", "line 3, column"},
      {"wrong root", "<Other xmlns=\"urn:test:docs\"/>", "root element must be TestDocs"},
      {"wrong namespace", "<TestDocs xmlns=\"urn:other\"/>", "root element must be TestDocs"},
      {"unknown element", head + "<Doc><BillNo>x</BillNo><Colour/></Doc></TestDocs>", "Colour"},
      {"wrong type", head + "<Doc><BillNo>x</BillNo><Count>many</Count></Doc></TestDocs>",
       "line 3"},
      {"wrong order", head + "<Doc><Count>1</Count><BillNo>x</BillNo></Doc></TestDocs>", "line 3"},
      {"entity bomb",
       "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [<!ENTITY lol \"lol\"><!ENTITY lol2 "
       "\"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">]>\n<TestDocs "
       "xmlns=\"urn:test:docs\"><Doc><BillNo>&lol2;</BillNo></Doc></TestDocs>",
       "line 2, column 1: a document type declaration is not accepted"},
      {"external entity",
       "<?xml version=\"1.0\"?><!DOCTYPE d [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
       "<TestDocs xmlns=\"urn:test:docs\"><Doc><BillNo>&x;</BillNo></Doc></TestDocs>",
       "document type declaration is not accepted"},
      {"empty text", "", "cannot be read"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    std::string error;
    Variant doc(int32_t(7));  // left as it was on failure
    EXPECT_FALSE(XmlReader().InputXMLString(doc, c.xml, Schema(), "TestDocs", error));
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
    EXPECT_EQ(doc, Variant(int32_t(7)));
  }
}

TEST_F(XmlTransferTest, ADocumentTypeIsRefusedInAnyEncoding) {
  // In UTF-16 the declaration is not found by its bytes; the parsed document
  // still shows it, and it is refused there.
  const std::string text =
      "<?xml version=\"1.0\" encoding=\"UTF-16\"?><!DOCTYPE d [<!ENTITY x \"y\">]>"
      "<TestDocs xmlns=\"urn:test:docs\"><Doc><BillNo>&x;</BillNo></Doc></TestDocs>";
  std::string utf16 = "\xFF\xFE";
  for (char c : text) {
    utf16 += c;
    utf16 += '\0';
  }
  std::string error;
  Variant doc;
  EXPECT_FALSE(XmlReader().InputXMLString(doc, utf16, Schema(), "TestDocs", error));
  EXPECT_NE(error.find("document type declaration is not accepted"), std::string::npos) << error;
}

TEST_F(XmlTransferTest, OversizedTextIsRefusedBeforeParsing) {
  std::string error;
  Variant doc;
  const std::string huge(kMaxXmlBytes + 1, ' ');
  EXPECT_FALSE(XmlReader().InputXMLString(doc, huge, Schema(), "TestDocs", error));
  EXPECT_NE(error.find("larger than"), std::string::npos) << error;
}

// `unit` repeated `times` times, each copy numbered where `unit` holds "#".
std::string Repeated(std::string_view unit, size_t times) {
  const size_t hash = unit.find('#');
  std::string text;
  if (hash == std::string_view::npos) {  // by doubling: millions of copies stay cheap
    const size_t size = unit.size() * times;
    text.reserve(size);
    text.assign(unit.substr(0, std::min(unit.size(), size)));
    while (text.size() < size) text.append(text, 0, std::min(text.size(), size - text.size()));
    return text;
  }
  for (size_t i = 0; i < times; ++i)
    text.append(unit.substr(0, hash)).append(std::to_string(i)).append(unit.substr(hash + 1));
  return text;
}

// The text as UTF-16, little endian with its byte order mark (ASCII text only).
std::string Utf16(std::string_view ascii) {
  std::string text = "\xFF\xFE";
  for (char c : ascii) {
    text += c;
    text += '\0';
  }
  return text;
}

// Markup whose parsing would cost more than time linear in its size is refused
// before libxml2 sees it (libxml2 compares every attribute of a tag with every
// earlier one, and looks each element's namespace up through every declaration
// in scope). Each of these took minutes, or would without the bounds.
TEST_F(XmlTransferTest, CostlyMarkupIsRefusedBeforeParsing) {
  const std::string head = "<?xml version=\"1.0\"?>\n<TestDocs xmlns=\"urn:test:docs\">\n";
  const std::string tail = "<BillNo>x</BillNo></Doc></TestDocs>";
  const std::string doc_40_namespaces = "<Doc" + Repeated(" xmlns:p#='urn:p'", 40) + ">";
  const std::string too_many_attributes =
      "an element has more than " + std::to_string(kMaxAttributesPerElement) + " attributes";
  struct Case {
    const char* why;
    std::string xml;
    std::string says;
  };
  const Case cases[] = {
      {"100,000 attributes on one element (1 MB)",
       head + "<Doc" + Repeated(" a#=\"x\"", 100'000) + ">" + tail,
       "line 3, column 1: " + too_many_attributes},
      {"one attribute too many", head + "<Doc" + Repeated(" a#=''", 257) + ">" + tail,
       too_many_attributes},
      {"the attributes in UTF-16", Utf16(head + "<Doc" + Repeated(" a#=\"x\"", 300) + ">" + tail),
       too_many_attributes},
      {"elements beyond the bound", head + Repeated("<a/>", kMaxElements) + "</TestDocs>",
       "the document has more than " + std::to_string(kMaxElements) + " elements"},
      {"namespace declarations piled up through the nesting",
       head + doc_40_namespaces + "<Customer" + Repeated(" xmlns:q#='urn:q'", 40) + "/>" + tail,
       "line 3, column " + std::to_string(doc_40_namespaces.size() + 1) + ": more than " +
           std::to_string(kMaxNamespacesInScope) + " namespace declarations are in scope"},
      {"a stateful 7-bit encoding",
       "<?xml version='1.0' encoding = 'ISO-2022-JP'?><TestDocs xmlns='urn:test:docs'/>",
       "declares the encoding \"ISO-2022-JP\", which is not accepted"},
      {"an EBCDIC code page declared in ASCII",
       "<?xml version=\"1.0\" encoding=\"cp037\"?><TestDocs xmlns=\"urn:test:docs\"/>",
       "declares the encoding \"cp037\""},
      {"UTF-16 text declaring another byte order",
       Utf16("<?xml version=\"1.0\" encoding=\"UTF-16BE\"?><TestDocs xmlns=\"urn:test:docs\"/>"),
       "declares the encoding \"UTF-16BE\""},
      {"UCS-4 text", std::string("\0\0\0<\0\0\0T", 8), "encoding that is not accepted"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    std::string error;
    Variant doc(int32_t(7));
    EXPECT_FALSE(XmlReader().InputXMLString(doc, c.xml, Schema(), "TestDocs", error));
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
    EXPECT_EQ(doc, Variant(int32_t(7)));
  }
}

// What only looks like costly markup is counted as libxml2 reads it: markup in
// comments, CDATA and quoted values, declarations that went out of scope,
// UTF-16 and GB18030 text.
TEST_F(XmlTransferTest, MarkupWithinTheBoundsIsRead) {
  const std::string fake_tag = "<x" + Repeated(" a#=1", 300) + ">";
  struct Case {
    const char* why;
    std::string xml;
    std::string note;  // the first record's Note as read
  };
  const Case cases[] = {
      {"a tag's worth of attributes in a comment, a CDATA section and a processing instruction",
       "<TestDocs xmlns='urn:test:docs'><!--" + fake_tag + "--><?pi " + fake_tag +
           "?><Doc><BillNo>x</BillNo><Note><![CDATA[" + fake_tag + "]]></Note></Doc></TestDocs>",
       fake_tag},
      {"a value in pieces: text, a comment, CDATA, references",
       "<TestDocs xmlns='urn:test:docs'><Doc><BillNo>x</BillNo>"
       "<Note>a<!--c-->b<![CDATA[<c>]]>&amp;&#x41;<?pi d?>e</Note></Doc></TestDocs>",
       "ab<c>&Ae"},
      {"namespace declarations up to the bound",
       "<TestDocs xmlns='urn:test:docs'" +
           Repeated(" xmlns:p#='urn:p'", kMaxNamespacesInScope - 1) +
           "><Doc><BillNo>x</BillNo><Note>n</Note></Doc></TestDocs>",
       "n"},
      {"a declaration on every record, never more than two in scope",
       "<TestDocs xmlns='urn:test:docs'>" +
           Repeated("<Doc xmlns='urn:test:docs'><BillNo>x</BillNo><Note>n</Note></Doc>",
                    kMaxNamespacesInScope * 2) +
           "</TestDocs>",
       "n"},
      {"UTF-16 with its byte order mark",
       Utf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?><TestDocs xmlns=\"urn:test:docs\">"
             "<Doc><BillNo>x</BillNo><Note>a=b</Note></Doc></TestDocs>"),
       "a=b"},
      {"GB18030",
       "<?xml version=\"1.0\" encoding=\"GB18030\"?><TestDocs xmlns=\"urn:test:docs\"><Doc>"
       "<BillNo>x</BillNo><Note>\xC2\xDD\xCB\xA8</Note></Doc></TestDocs>",
       "螺栓"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    std::string error;
    const ValueVectorPtr back = Read(c.xml, error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(back->Item(1).ObjectAs<ValueDictionary>()->Value("Note"), Variant(c.note));
  }
}

// The schema is checked while the text is parsed, and the first error ends the
// reading: a document of many faults costs one pass and reports the first.
TEST_F(XmlTransferTest, TheFirstSchemaErrorEndsTheReading) {
  const std::string xml = "<TestDocs xmlns='urn:test:docs'>\n" +
                          Repeated("<Doc><BillNo>x</BillNo><Colour/></Doc>\n", 20'000) +
                          "</TestDocs>";
  std::string error;
  EXPECT_FALSE(Read(xml, error));
  EXPECT_EQ(error.rfind("line 2, column ", 0), 0u) << error;
  EXPECT_NE(error.find("Element 'Colour': This element is not expected"), std::string::npos)
      << error;
  EXPECT_EQ(error.find("more errors"), std::string::npos) << error;
}

TEST_F(XmlTransferTest, ElementsThatRepeatAreListsEvenWhenOnce) {
  std::string error;
  const ValueVectorPtr back =
      Read("<TestDocs xmlns=\"urn:test:docs\"><Doc><BillNo>x</BillNo><Tag>only</Tag>"
           "</Doc></TestDocs>", error);
  ASSERT_TRUE(back) << error;
  auto tags = back->Item(1).ObjectAs<ValueDictionary>()->Value("Tag").ObjectAs<ValueVector>();
  ASSERT_EQ(tags->Count(), 1);
  EXPECT_EQ(tags->Item(1), Variant("only"));
}

TEST_F(XmlTransferTest, FileFormsReplaceTheFileOnlyOnSuccess) {
  const std::string file = dir_.File("docs.xml");
  std::string error;
  ASSERT_TRUE(XmlWriter().OutputXML(Variant(Documents()), file, Schema(), "TestDocs", error)) << error;
  Variant doc;
  ASSERT_TRUE(XmlReader().InputXML(doc, file, Schema(), "TestDocs", error)) << error;
  EXPECT_EQ(doc.ObjectAs<ValueVector>()->Count(), 2);
  auto bad = Documents();
  bad->Item(1).ObjectAs<ValueDictionary>()->SetValue("Colour", Variant("red"));
  EXPECT_FALSE(XmlWriter().OutputXML(Variant(bad), file, Schema(), "TestDocs", error));
  ASSERT_TRUE(XmlReader().InputXML(doc, file, Schema(), "TestDocs", error)) << error;  // intact
  EXPECT_FALSE(XmlReader().InputXML(doc, dir_.File("none.xml"), Schema(), "TestDocs", error));
  EXPECT_NE(error.find("none.xml"), std::string::npos);
}

TEST_F(XmlTransferTest, AMissingOrForeignSchemaIsAClearError) {
  std::string error, xml;
  XmlWriter().OutputXMLString(Variant(Documents()), xml, dir_.File("None.xsd"), "TestDocs", error);
  EXPECT_NE(error.find("None.xsd does not exist"), std::string::npos) << error;
  XmlWriter().OutputXMLString(Variant(Documents()), xml, Schema(), "Elsewhere", error);
  EXPECT_NE(error.find("declares no root element Elsewhere"), std::string::npos) << error;
}

TEST_F(XmlTransferTest, ASchemaWhoseTypeRestrictsItselfIsRefusedNotFollowed) {
  const std::string file = dir_.File("Loop.xsd");
  std::ofstream(file) << R"(<?xml version="1.0"?>
<xs:schema xmlns:xs="http://www.w3.org/2001/XMLSchema" targetNamespace="urn:loop"
           xmlns="urn:loop" elementFormDefault="qualified">
  <xs:simpleType name="A"><xs:restriction base="B"/></xs:simpleType>
  <xs:simpleType name="B"><xs:restriction base="A"/></xs:simpleType>
  <xs:element name="Loop"><xs:complexType><xs:sequence>
    <xs:element name="R" maxOccurs="unbounded"><xs:complexType><xs:sequence>
      <xs:element name="V" type="A"/>
    </xs:sequence></xs:complexType></xs:element>
  </xs:sequence></xs:complexType></xs:element>
</xs:schema>
)";
  std::string xml, error;
  EXPECT_FALSE(XmlWriter().OutputXMLString(Variant(ValueVector::Create()), xml, file, "Loop", error));
  EXPECT_NE(error.find("restricts itself"), std::string::npos) << error;
}

TEST(PlainNumberText, NeverAnExponent) {
  EXPECT_EQ(PlainNumberText(0.00001), "0.00001");
  EXPECT_EQ(PlainNumberText(-1.25e-7), "-0.000000125");
  EXPECT_EQ(PlainNumberText(1.5e20), "150000000000000000000");
  EXPECT_EQ(PlainNumberText(12.5), "12.5");
  EXPECT_EQ(PlainNumberText(10 * (1 + 17.0 / 100)), "11.7");
}

}  // namespace
}  // namespace corvane::xml
