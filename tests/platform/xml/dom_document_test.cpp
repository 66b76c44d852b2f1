#include "platform/xml/dom_document.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "frame/outside/dom_document.h"
#include "frame/outside/object_factory.h"
#include "platform/platform_components.h"
#include "support/encoding.h"
#include "support/error_number.h"
#include "support/temp_dir.h"

namespace corvane::xml {
namespace {

using corvane::testing::Convert;
using corvane::testing::ErrorNumberOf;
using corvane::testing::ReadBytes;
using corvane::testing::WriteBytes;
using corvane::testing::TempDir;


class DomDocumentTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::RegisterPlatformComponents(); }

  std::shared_ptr<IDomDocument> NewDocument() {
    return CreateObjectAs<IDomDocument>(kDomDocumentProgId);
  }
  // A document of a declaration (with `declaration` as its data, none when
  // empty) and one element R with the attribute V.
  std::shared_ptr<IDomDocument> Document(const std::string& declaration, const std::string& v) {
    auto doc = NewDocument();
    if (!declaration.empty())
      doc->appendChild(doc->createProcessingInstruction("xml", declaration));
    DomNodePtr root = doc->createElement("R");
    root->setAttribute("V", v);
    doc->appendChild(root);
    return doc;
  }

  TempDir dir_;
};

TEST_F(DomDocumentTest, SavesInTheDeclaredEncodingAndReadsBackExactly) {
  struct Case {
    const char* why;
    std::string value;
    std::string written;  // what the GB2312 file holds for it
  };
  const Case cases[] = {
      {"Chinese", "警告", "\xBE\xAF\xB8\xE6"},
      {"lines", "第一行\r\n第二行\r\n", "&#13;&#10;"},
      {"a lone line feed and a tab", "a\nb\tc", "a&#10;b&#9;c"},
      {"not in GB2312", "5 €", "5 &#8364;"},
      {"beyond 16 bits", "ok 😀", "ok &#128512;"},
      {"markup characters", "<a href=\"x\">&amp;'</a>", "&lt;a href=&quot;x&quot;&gt;&amp;amp;'"},
      {"blanks kept", "  x  ", "\"  x  \""},
      {"empty", "", "V=\"\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    const std::string path = dir_.File("doc.xml");
    Document("version=\"1.0\" encoding=\"GB2312\" ", c.value)->Save(path);
    const std::string bytes = ReadBytes(path);
    EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"GB2312\"?>", 0), 0u) << bytes;
    EXPECT_NE(bytes.find(c.written), std::string::npos) << bytes;
    EXPECT_TRUE(Convert(bytes, "GB2312", "UTF-8")) << "not GB2312: " << bytes;

    auto loaded = NewDocument();
    ASSERT_TRUE(loaded->Load(path));
    ASSERT_EQ(loaded->childCount(), 2);
    EXPECT_EQ(loaded->childNode(1)->getAttribute("V"), c.value);
  }
}

TEST_F(DomDocumentTest, WithoutADeclarationSavesUtf8WithoutOne) {
  const std::string path = dir_.File("plain.xml");
  Document("", "警告 €")->Save(path);
  EXPECT_EQ(ReadBytes(path), "<R V=\"警告 €\"/>\n");

  // A declaration without an encoding: ASCII, and the declaration as it was.
  Document("version=\"1.0\"", "€")->Save(path);
  EXPECT_EQ(ReadBytes(path), "<?xml version=\"1.0\"?>\n<R V=\"&#x20AC;\"/>\n");
  auto loaded = NewDocument();
  ASSERT_TRUE(loaded->Load(path));
  EXPECT_EQ(loaded->childNode(1)->getAttribute("V"), "€");
}

TEST_F(DomDocumentTest, LoadShowsTheDeclarationAsTheFirstChild) {
  struct Case {
    const char* text;
    std::string declaration;  // the data of child 0 when it is the declaration
    std::string root;         // the name of the last child
    int children;
  };
  const Case cases[] = {
      {"<?xml version=\"1.0\" encoding=\"GB2312\" ?>\r\n<R a=\"1\"/>",
       "version=\"1.0\" encoding=\"GB2312\"", "R", 2},
      {"<?xml version='1.0'?><!-- note --><?style x?>\n<R/>", "version=\"1.0\"", "R", 4},
      {"<?xml version=\"1.0\" standalone=\"yes\"?><R/>", "version=\"1.0\" standalone=\"yes\"", "R",
       2},
      {"<R/>", "", "R", 1},
      {"\xEF\xBB\xBF<p:R xmlns:p=\"urn:p\"/>", "", "p:R", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string path = dir_.File("in.xml");
    WriteBytes(path, c.text);
    auto doc = NewDocument();
    ASSERT_TRUE(doc->Load(path));
    ASSERT_EQ(doc->childCount(), c.children);
    if (!c.declaration.empty()) {
      EXPECT_EQ(doc->childNode(0)->nodeName(), "xml");
    } else {
      EXPECT_NE(doc->childNode(0)->nodeName(), "xml");
    }
    EXPECT_EQ(doc->childNode(c.children - 1)->nodeName(), c.root);
    EXPECT_EQ(doc->childNode(c.children), nullptr);
    EXPECT_EQ(doc->childNode(-1), nullptr);

    // Saved again, the file names the same declaration.
    doc->Save(path);
    const std::string saved = ReadBytes(path);
    if (c.declaration.empty()) {
      EXPECT_NE(saved.rfind("<?xml", 0), 0u) << saved;
    } else {
      EXPECT_EQ(saved.rfind("<?xml " + c.declaration + "?>", 0), 0u) << saved;
    }
  }
}

TEST_F(DomDocumentTest, LoadRefusesWhatIsNotPlainWellFormedXml) {
  const char* cases[] = {
      "",
      "not XML",
      "<R>",
      "<R></S>",
      "<R/><S/>",
      "<?xml version=\"1.0\"?>",
      "<p:R/>",  // an undeclared prefix
      "<!DOCTYPE R [<!ENTITY e \"expanded\">]><R>&e;</R>",
      "<!DOCTYPE R SYSTEM \"http://127.0.0.1:9/r.dtd\"><R/>",
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><R a=\"\xFF\"/>",
      "<?xml version=\"1.0\" encoding=\"UTF-7\"?><R/>",
  };
  for (const char* text : cases) {
    SCOPED_TRACE(text);
    const std::string path = dir_.File("bad.xml");
    WriteBytes(path, text);
    auto doc = Document("version=\"1.0\"", "old tree");
    EXPECT_FALSE(doc->Load(path));
    EXPECT_EQ(doc->childCount(), 0);
  }
  auto doc = Document("version=\"1.0\"", "old tree");
  EXPECT_FALSE(doc->Load(dir_.File("missing.xml")));
  EXPECT_EQ(doc->childCount(), 0);
  EXPECT_FALSE(doc->Load(dir_.path().string()));  // a folder
}

TEST_F(DomDocumentTest, RefusesToBuildWhatXmlCannotCarry) {
  auto doc = NewDocument();
  DomNodePtr root = doc->createElement("R");
  doc->appendChild(root);
  auto other = NewDocument();
  struct Case {
    const char* why;
    std::function<void()> build;
  };
  const Case cases[] = {
      {"element name", [&] { doc->createElement("1R"); }},
      {"element name with a blank", [&] { doc->createElement("R S"); }},
      {"node type", [&] { doc->createNode(3, "R", ""); }},
      {"prefix without namespace", [&] { doc->createNode(kDomElementNode, "p:R", ""); }},
      {"attribute name", [&] { root->setAttribute("a b", "x"); }},
      {"control character", [&] { root->setAttribute("a", std::string("x\x01y")); }},
      {"not UTF-8", [&] { root->setAttribute("a", "\xFF"); }},
      {"overlong UTF-8", [&] { root->setAttribute("a", "\xC0\xBC"); }},
      {"UTF-16 surrogate", [&] { root->setAttribute("a", "\xED\xA0\x80"); }},
      {"empty prefix declaration", [&] { root->setAttribute("xmlns:p", ""); }},
      {"declaration data", [&] { doc->createProcessingInstruction("xml", "encoding=\"GB2312\""); }},
      {"reserved target", [&] { doc->createProcessingInstruction("XML", "x"); }},
      {"instruction end in data", [&] { doc->createProcessingInstruction("pi", "a?>b"); }},
      {"second root", [&] { doc->appendChild(doc->createElement("S")); }},
      {"late declaration",
       [&] { doc->appendChild(doc->createProcessingInstruction("xml", "version=\"1.0\"")); }},
      {"declaration in an element",
       [&] { root->appendChild(doc->createProcessingInstruction("xml", "version=\"1.0\"")); }},
      {"node of another document", [&] { root->appendChild(other->createElement("S")); }},
      {"node inside itself", [&] { root->appendChild(root); }},
      {"attribute of the document", [&] { doc->setAttribute("a", "x"); }},
      {"unknown encoding",
       [&] {
         auto d = Document("version=\"1.0\" encoding=\"NO-SUCH-CODE\"", "x");
         d->Save(dir_.File("never.xml"));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(ErrorNumberOf(c.build), err::kInvalidCall);
  }
  EXPECT_FALSE(std::filesystem::exists(dir_.File("never.xml")));
  EXPECT_EQ(root->childCount(), 0);
  EXPECT_EQ(doc->childCount(), 1);
}

TEST_F(DomDocumentTest, NamespaceDeclarationsAreAttributesInAndOut) {
  const std::string path = dir_.File("ns.xml");
  auto doc = NewDocument();
  doc->appendChild(doc->createProcessingInstruction("xml", "version=\"1.0\" encoding=\"GB2312\" "));
  DomNodePtr root = doc->createNode(kDomElementNode, "Root", "");
  root->setAttribute("xmlns:xsd", "http://www.w3.org/2001/XMLSchema");
  root->setAttribute("xmlns:xsi", "http://www.w3.org/2001/XMLSchema-instance");
  root->setAttribute("xsi:type", "T");  // bound to the prefix declared above
  doc->appendChild(root);
  DomNodePtr named = root->appendChild(doc->createNode(kDomElementNode, "Named", "urn:n"));
  named->appendChild(doc->createElement("Plain"));  // stays in no namespace
  doc->Save(path);
  EXPECT_EQ(ReadBytes(path),
            "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n"
            "<Root xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
            "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xsi:type=\"T\">"
            "<Named xmlns=\"urn:n\"><Plain xmlns=\"\"/></Named></Root>\n");

  auto loaded = NewDocument();
  ASSERT_TRUE(loaded->Load(path));
  DomNodePtr back = loaded->childNode(1);
  EXPECT_EQ(back->getAttribute("xmlns:xsd"), "http://www.w3.org/2001/XMLSchema");
  EXPECT_EQ(back->getAttribute("xmlns:xsi"), "http://www.w3.org/2001/XMLSchema-instance");
  EXPECT_EQ(back->getAttribute("xmlns"), "");
  EXPECT_EQ(back->getAttribute("xsi:type"), "T");
  EXPECT_EQ(back->childNode(0)->getAttribute("xmlns"), "urn:n");
}

TEST_F(DomDocumentTest, SaveReplacesTheFileWholeOrNotAtAll) {
  const std::string path = dir_.File("log.xml");
  WriteBytes(path, "old");
  Document("", "new")->Save(path);
  EXPECT_EQ(ReadBytes(path), "<R V=\"new\"/>\n");
  EXPECT_EQ(dir_.FileNames().size(), 1u);  // no temporary file left

  EXPECT_EQ(ErrorNumberOf([&] { Document("", "x")->Save(dir_.File("no-folder/log.xml")); }), 75);
  EXPECT_EQ(ErrorNumberOf([&] { Document("", "x")->Save(dir_.path().string()); }), 75);
  EXPECT_EQ(ReadBytes(path), "<R V=\"new\"/>\n");
  EXPECT_EQ(dir_.FileNames().size(), 1u);
}

TEST_F(DomDocumentTest, ChildrenAreEveryNodeInOrder) {
  const std::string path = dir_.File("mixed.xml");
  WriteBytes(path, "<R>\n  <a/>\n  <!--c-->\n  <b x=\"1\"/>\n  <t>text</t>\n</R>");
  auto doc = NewDocument();
  ASSERT_TRUE(doc->Load(path));
  DomNodePtr root = doc->childNode(0);
  ASSERT_EQ(root->childCount(), 4);  // the indentation between elements is dropped
  EXPECT_EQ(root->childNode(0)->nodeName(), "a");
  EXPECT_EQ(root->childNode(1)->nodeName(), "#comment");
  EXPECT_EQ(root->childNode(2)->getAttribute("x"), "1");
  EXPECT_EQ(root->childNode(2)->getAttribute("y"), "");
  DomNodePtr text = root->childNode(3)->childNode(0);
  EXPECT_EQ(text->nodeName(), "#text");
  EXPECT_EQ(ErrorNumberOf([&] { text->setAttribute("x", "1"); }), err::kInvalidCall);
  EXPECT_EQ(ErrorNumberOf([&] { text->appendChild(doc->createElement("c")); }), err::kInvalidCall);

  // A node appended again moves; an attribute set again is replaced in place.
  root->appendChild(root->childNode(0));
  root->childNode(1)->setAttribute("x", "2");
  doc->Save(path);
  EXPECT_EQ(ReadBytes(path), "<R><!--c--><b x=\"2\"/><t>text</t><a/></R>\n");
}

}  // namespace
}  // namespace corvane::xml
