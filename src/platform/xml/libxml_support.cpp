#include "platform/xml/libxml_support.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>

#include "platform/win/module_folder.h"
#include "values/run_time_error.h"

namespace corvane::xml {
namespace {

constexpr const char* kSource = "XMLQNV2";
constexpr size_t kMaxMessages = 5;

void InitialiseOnce() {
  static std::once_flag once;
  std::call_once(once, [] { xmlInitParser(); });
}

std::string Trimmed(const char* message) {
  std::string s = message ? message : "";
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
  return s;
}

}  // namespace

ErrorCapture::ErrorCapture() {
  InitialiseOnce();
  old_structured_ = xmlStructuredError;
  old_structured_context_ = xmlStructuredErrorContext;
  old_generic_ = xmlGenericError;
  old_generic_context_ = xmlGenericErrorContext;
  xmlSetGenericErrorFunc(nullptr, &ErrorCapture::Silent);
  xmlSetStructuredErrorFunc(this, &ErrorCapture::Handler);
}

ErrorCapture::~ErrorCapture() {
  xmlSetStructuredErrorFunc(old_structured_context_, old_structured_);
  xmlSetGenericErrorFunc(old_generic_context_, old_generic_);
}

void ErrorCapture::Handler(void* self, xmlErrorPtr error) {
  try {
    Collect(static_cast<ErrorCapture*>(self), error);
  } catch (...) {
    // Out of memory inside a libxml2 callback: the error is lost, the call
    // still fails through its return value.
  }
}

void ErrorCapture::Collect(ErrorCapture* capture, xmlErrorPtr error) {
  if (!error || error->level == XML_ERR_WARNING) return;
  xmlParserCtxtPtr parser = capture->parser_;
  if (capture->messages_.size() >= kMaxMessages) {
    ++capture->more_;  // counted, not kept (nor described): a huge document cannot fill memory
  } else {
    std::string where;
    int line = error->line;
    int column = error->int2;
    if (line <= 0 && parser && parser->input) {  // a validity error while streaming
      line = parser->input->line;
      column = parser->input->col;
    }
    if (capture->place_ == Place::ElementPath && error->node) {
      where = ElementPath(static_cast<xmlNode*>(error->node), capture->records_before_) + ": ";
    } else if (line > 0) {
      where = "line " + std::to_string(line);
      if (column > 0) where += ", column " + std::to_string(column);
      where += ": ";
    }
    std::string message = Trimmed(error->message);
    if (capture->namespace_.size() > 2)
      for (size_t at; (at = message.find(capture->namespace_)) != std::string::npos;)
        message.erase(at, capture->namespace_.size());
    capture->messages_.push_back(where + message);
  }
  if (parser && error->domain == XML_FROM_SCHEMASV) xmlStopParser(parser);
}

std::string ErrorCapture::Text() const {
  std::string text;
  for (size_t i = 0; i < messages_.size(); ++i) {
    if (i) text += "\n";
    text += messages_[i];
  }
  if (more_ > 0) text += "\n(" + std::to_string(more_) + " more errors)";
  return text;
}

std::string ElementPath(xmlNode* node, int records_before) {
  std::vector<std::string> parts;
  for (xmlNode* n = node; n && n->type == XML_ELEMENT_NODE && n->parent &&
                          n->parent->type == XML_ELEMENT_NODE;
       n = n->parent) {
    int position = 1;
    for (xmlNode* s = n->prev; s; s = s->prev)
      if (s->type == XML_ELEMENT_NODE && xmlStrcmp(s->name, n->name) == 0) ++position;
    const bool record = !n->parent->parent || n->parent->parent->type != XML_ELEMENT_NODE;
    if (record) position += records_before;
    parts.push_back(std::string(reinterpret_cast<const char*>(n->name)) + "[" +
                    std::to_string(position) + "]");
  }
  std::string path;
  for (auto it = parts.rbegin(); it != parts.rend(); ++it) path += (path.empty() ? "" : "/") + *it;
  return path.empty() && node ? reinterpret_cast<const char*>(node->name) : path;
}

const CompiledSchema& SchemaFor(const std::string& path, std::string_view root_name) {
  struct Entry {
    int64_t mtime_ns = 0;
    CompiledSchema compiled;
    ~Entry() {
      if (compiled.schema) xmlSchemaFree(compiled.schema);
    }
  };
  thread_local std::map<std::string, std::unique_ptr<Entry>> cache;

  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
    throw RuntimeError(err::kFileNotFound, kSource, "the schema file " + path + " does not exist");
  const int64_t mtime = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  const std::string key = path + "|" + std::string(root_name);
  auto it = cache.find(key);
  if (it != cache.end() && it->second->mtime_ns == mtime) return it->second->compiled;

  auto entry = std::make_unique<Entry>();
  entry->mtime_ns = mtime;
  ErrorCapture errors;
  try {
    entry->compiled.model = ReadSchemaModel(path, root_name);
  } catch (const RuntimeError& e) {
    // libxml2's own reason, when it had one, says more than ours.
    throw RuntimeError(e.number(), e.source(),
                       errors.empty() ? e.description() : e.description() + ": " + errors.Text());
  }
  xmlSchemaParserCtxtPtr parser = xmlSchemaNewParserCtxt(path.c_str());
  if (parser) {
    xmlSchemaSetParserStructuredErrors(parser, &ErrorCapture::Handler, &errors);
    entry->compiled.schema = xmlSchemaParse(parser);
    xmlSchemaFreeParserCtxt(parser);
  }
  if (!entry->compiled.schema)
    throw RuntimeError(err::kInvalidCall, kSource,
                       "the schema file " + path + " cannot be used: " + errors.Text());
  return (cache[key] = std::move(entry))->compiled;
}

std::string InstalledSchemaPath(std::string_view root_name) {
  const std::string folder = platform::ComponentModuleFolder();
  const std::string file = std::string(root_name) + ".xsd";
  std::error_code ec;
  if (std::filesystem::is_regular_file(folder + file, ec)) return folder + file;
  return folder + "SCHEMA/" + file;
}

bool Validate(const CompiledSchema& schema, xmlDocPtr doc, ErrorCapture& errors) {
  xmlSchemaValidCtxtPtr ctxt = xmlSchemaNewValidCtxt(schema.schema);
  if (!ctxt) {
    errors.Add("the schema validator cannot be created");
    return false;
  }
  xmlSchemaSetValidStructuredErrors(ctxt, &ErrorCapture::Handler, &errors);
  const int rc = xmlSchemaValidateDoc(ctxt, doc);
  xmlSchemaFreeValidCtxt(ctxt);
  if (rc != 0 && errors.empty()) errors.Add("the document does not fit the schema");
  return rc == 0;
}

namespace {

// The tree builder's handlers, called for the root alone; what is inside
// the root goes to the record events.
struct RecordHook {
  startElementNsSAX2Func start = nullptr;
  endElementNsSAX2Func end = nullptr;
  commentSAXFunc comment = nullptr;
  processingInstructionSAXFunc instruction = nullptr;
  referenceSAXFunc reference = nullptr;
  RecordEvents* records = nullptr;
  int depth = 0;  // of the elements open: 1 inside the root, 2 inside a record
};

RecordHook& HookOf(void* context) {
  return *static_cast<RecordHook*>(static_cast<xmlParserCtxtPtr>(context)->_private);
}

int LineOf(void* context) {
  const auto* parser = static_cast<xmlParserCtxtPtr>(context);
  return parser->input ? parser->input->line : 0;
}

// The record events are ours and do not throw; should one, the parser stops
// rather than let it through the library.
template <typename F>
void Guarded(void* context, F&& f) {
  try {
    f();
  } catch (...) {
    xmlStopParser(static_cast<xmlParserCtxtPtr>(context));
  }
}

void StartRecordElement(void* context, const xmlChar* local_name, const xmlChar* prefix,
                        const xmlChar* uri, int namespaces, const xmlChar** namespace_list,
                        int attributes, int defaulted, const xmlChar** attribute_list) {
  RecordHook& hook = HookOf(context);
  if (hook.depth++ == 0) {
    hook.start(context, local_name, prefix, uri, namespaces, namespace_list, attributes, defaulted,
               attribute_list);
    return;
  }
  Guarded(context, [&] {
    hook.records->StartElement(reinterpret_cast<const char*>(local_name), LineOf(context));
  });
}

void EndRecordElement(void* context, const xmlChar* local_name, const xmlChar* prefix,
                      const xmlChar* uri) {
  RecordHook& hook = HookOf(context);
  if (--hook.depth == 0) {
    hook.end(context, local_name, prefix, uri);
    return;
  }
  Guarded(context, [&] { hook.records->EndElement(); });
}

void RecordCharacters(void* context, const xmlChar* text, int length) {
  RecordHook& hook = HookOf(context);
  if (hook.depth < 2) return;  // blanks between records (the schema allows nothing else)
  Guarded(context, [&] {
    hook.records->Characters(
        std::string_view(reinterpret_cast<const char*>(text), static_cast<size_t>(length)));
  });
}

// Comments and processing instructions inside the root are no record's
// text and are not kept; entity references only come with a DTD, which
// refuses the document.
void RecordComment(void* context, const xmlChar* text) {
  RecordHook& hook = HookOf(context);
  if (hook.depth == 0 && hook.comment) hook.comment(context, text);
}

void RecordInstruction(void* context, const xmlChar* target, const xmlChar* data) {
  RecordHook& hook = HookOf(context);
  if (hook.depth == 0 && hook.instruction) hook.instruction(context, target, data);
}

void RecordReference(void* context, const xmlChar* name) {
  RecordHook& hook = HookOf(context);
  if (hook.depth == 0 && hook.reference) hook.reference(context, name);
}

// The text handed to the parser piece by piece.
struct TextSource {
  std::string_view rest;
  static int Read(void* context, char* buffer, int length) {
    auto* source = static_cast<TextSource*>(context);
    const size_t n = std::min(source->rest.size(), static_cast<size_t>(std::max(length, 0)));
    std::memcpy(buffer, source->rest.data(), n);
    source->rest.remove_prefix(n);
    return static_cast<int>(n);
  }
};

}  // namespace

DocPtr ParseValidating(const CompiledSchema& schema, std::string_view xml, ErrorCapture& errors,
                       bool& valid, RecordEvents* records) {
  valid = false;
  // Freed in reverse order: the plug first (it gives the parser its own SAX
  // handler back), then the parser, then the validator.
  struct ValidatorDeleter {
    void operator()(xmlSchemaValidCtxtPtr v) const { xmlSchemaFreeValidCtxt(v); }
  };
  struct ParserDeleter {
    void operator()(xmlParserCtxtPtr p) const { xmlFreeParserCtxt(p); }
  };
  struct PlugDeleter {
    void operator()(xmlSchemaSAXPlugPtr p) const { xmlSchemaSAXUnplug(p); }
  };
  if (xml.size() > static_cast<size_t>(INT_MAX)) {
    errors.Add("the XML text is too large");
    return nullptr;
  }
  std::unique_ptr<xmlSchemaValidCtxt, ValidatorDeleter> validator(
      xmlSchemaNewValidCtxt(schema.schema));
  if (xml.empty()) return nullptr;  // no text at all
  // The parser reads the text a piece at a time: a memory parser would first
  // copy it into a buffer of its own, grown by doubling to twice its size.
  TextSource source{xml};
  std::unique_ptr<xmlParserCtxt, ParserDeleter> parser(xmlCreateIOParserCtxt(
      nullptr, nullptr, &TextSource::Read, nullptr, &source, XML_CHAR_ENCODING_NONE));
  if (!validator || !parser) return nullptr;  // no memory
  xmlCtxtUseOptions(parser.get(), XML_PARSE_NONET | XML_PARSE_NOCDATA);
  // The plug hands CDATA sections to the tree builder's CDATA handler, which
  // XML_PARSE_NOCDATA removed; make it build text, as NOCDATA means.
  parser->sax->cdataBlock = parser->sax->characters;
  RecordHook hook;
  if (records) {
    xmlSAXHandler& sax = *parser->sax;
    hook.start = sax.startElementNs;
    hook.end = sax.endElementNs;
    hook.comment = sax.comment;
    hook.instruction = sax.processingInstruction;
    hook.reference = sax.reference;
    hook.records = records;
    parser->_private = &hook;
    sax.startElementNs = &StartRecordElement;
    sax.endElementNs = &EndRecordElement;
    sax.characters = &RecordCharacters;
    sax.cdataBlock = &RecordCharacters;
    sax.ignorableWhitespace = &RecordCharacters;
    sax.comment = &RecordComment;
    sax.processingInstruction = &RecordInstruction;
    sax.reference = &RecordReference;
  }
  xmlSchemaSetValidStructuredErrors(validator.get(), &ErrorCapture::Handler, &errors);
  std::unique_ptr<xmlSchemaSAXPlugStruct, PlugDeleter> plug(
      xmlSchemaSAXPlug(validator.get(), &parser->sax, &parser->userData));
  if (!plug) {
    errors.Add("the schema validator cannot be attached to the parser");
    return nullptr;
  }
  errors.set_parser(parser.get());
  xmlParseDocument(parser.get());
  errors.set_parser(nullptr);
  const bool fits = xmlSchemaIsValid(validator.get()) == 1;
  plug.reset();
  DocPtr doc(parser->myDoc);
  parser->myDoc = nullptr;
  if (!parser->wellFormed) return nullptr;
  valid = fits;
  return doc;
}

}  // namespace corvane::xml
