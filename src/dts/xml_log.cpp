#include "dts/xml_log.h"

#include <memory>

#include "frame/messages.h"
#include "frame/outside/dom_document.h"
#include "frame/outside/object_factory.h"
#include "frame/outside/system_services.h"
#include "frame/schema_folder.h"
#include "values/format.h"
#include "values/run_time_error.h"
#include "values/variant.h"

namespace corvane {
namespace {

constexpr int32_t kPathFileAccessError = 75;
constexpr const char* kDeclarationData = "version=\"1.0\" encoding=\"GB2312\" ";
constexpr const char* kRootName = "ErrLogRoot";
constexpr const char* kEntryName = "ErrLog";
constexpr const char* kDirection = "Corvane";

[[noreturn]] void NotALog(const std::string& path) {
  throw RuntimeError(
      kPathFileAccessError, {},
      FormatMessageText("文件 %1 不是操作日志：其根元素应为 ErrLogRoot", {Variant(path)}));
}

// Whether `node` is an element: only elements have attributes.
bool IsElement(IDomNode& node) {
  try {
    node.getAttribute("xmlns");
    return true;
  } catch (const RuntimeError&) {
    return false;
  }
}

// Builds the empty log in `doc`.
void BuildEmptyLog(IDomDocument& doc) {
  doc.appendChild(doc.createProcessingInstruction("xml", kDeclarationData));
  const DomNodePtr root = doc.createNode(kDomElementNode, kRootName, "");
  root->setAttribute("xmlns:xsd", "http://www.w3.org/2001/XMLSchema");
  root->setAttribute("xmlns:xsi", "http://www.w3.org/2001/XMLSchema-instance");
  doc.appendChild(root);
}

// Loads the log at `path` and answers its root: the document's node at
// position 1, after the declaration, which must be an ErrLogRoot element in
// no namespace.
DomNodePtr LoadLogRoot(IDomDocument& doc, const std::string& path) {
  if (!doc.Load(path)) NotALog(path);
  const DomNodePtr root = doc.childNode(1);
  if (!root || root->nodeName() != kRootName || !IsElement(*root) ||
      !root->getAttribute("xmlns").empty())
    NotALog(path);
  return root;
}

}  // namespace

std::string LogFilePath(const std::string& log_path) {
  if (!Trim(log_path).empty()) return log_path;
  return EnsureTrailingSeparator(ModuleFolder()) + kDefaultLogFileName;
}

void AppendLogReport(const std::string& log_path, const std::string& text) {
  const std::string path = LogFilePath(log_path);
  const auto files = CreateObjectAs<IFileSystem>(kFileSystemProgId);
  const auto doc = CreateObjectAs<IDomDocument>(kDomDocumentProgId);
  const std::shared_ptr<IFileLock> lock = files->LockExclusive(path);
  if (!files->FileExists(path)) {
    BuildEmptyLog(*doc);
    doc->Save(path);
  }
  const DomNodePtr root = LoadLogRoot(*doc, path);
  const DomNodePtr entry = doc->createElement(kEntryName);
  const Date now = Now();
  entry->setAttribute("Direct", kDirection);
  entry->setAttribute("Time", FormatDate(now, "yyyy-mm-dd") + "T" + FormatDate(now, "hh:nn:ss"));
  entry->setAttribute("ErrMsg", text);
  root->appendChild(entry);
  doc->Save(path);
}

std::vector<LogEntry> ReadLog(const std::string& path) {
  const std::string file = LogFilePath(path);
  const auto files = CreateObjectAs<IFileSystem>(kFileSystemProgId);
  if (!files->FileExists(file))
    throw RuntimeError(err::kFileNotFound, {},
                       FormatMessageText("日志文件 %1 不存在", {Variant(file)}));
  const auto doc = CreateObjectAs<IDomDocument>(kDomDocumentProgId);
  const DomNodePtr root = LoadLogRoot(*doc, file);
  std::vector<LogEntry> entries;
  for (int i = 0, n = root->childCount(); i < n; ++i) {
    const DomNodePtr node = root->childNode(i);
    if (!node || node->nodeName() != kEntryName || !IsElement(*node)) continue;
    entries.push_back(
        {node->getAttribute("Direct"), node->getAttribute("Time"), node->getAttribute("ErrMsg")});
  }
  return entries;
}

}  // namespace corvane
