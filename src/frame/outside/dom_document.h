// "MSXML2.DOMDocument.4.0" and "Scripting.FileSystemObject": the XML
// document object model and the file system, as far as the file-based
// interface's XML log uses them.
//
// A document holds one tree in memory: it is built with the create and
// append operations or read with Load, and written whole with Save. Nodes
// belong to their document. Objects are created for one use and belong to
// the thread that created them.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "values/variant.h"

namespace corvane {

inline constexpr const char* kDomDocumentProgId = "MSXML2.DOMDocument.4.0";
inline constexpr const char* kFileSystemProgId = "Scripting.FileSystemObject";

// Node types of createNode.
inline constexpr int kDomElementNode = 1;

class IDomNode;
using DomNodePtr = std::shared_ptr<IDomNode>;

class IDomNode : public virtual Object {
 public:
  virtual std::string nodeName() const = 0;
  // Sets an attribute of an element (replacing one of the same name); a
  // name with a prefix ("xmlns:xsd") is stored as written. Raises on a node
  // that is no element.
  virtual void setAttribute(std::string_view name, std::string_view value) = 0;
  virtual std::string getAttribute(std::string_view name) const = 0;
  // Appends `child` (a node of the same document) as the last child; answers it.
  virtual DomNodePtr appendChild(const DomNodePtr& child) = 0;
  // The child at `index` (from 0), or nullptr when there is none.
  virtual DomNodePtr childNode(int index) const = 0;
  virtual int childCount() const = 0;
};

class IDomDocument : public IDomNode {
 public:
  // A processing instruction, such as target "xml" with data
  // "version=\"1.0\" encoding=\"GB2312\" ": in a saved document it becomes
  // the XML declaration, and Save writes in the encoding it names.
  virtual DomNodePtr createProcessingInstruction(std::string_view target,
                                                 std::string_view data) = 0;
  // An element (type kDomElementNode; other types raise) in the namespace
  // `namespace_uri` ("" for none).
  virtual DomNodePtr createNode(int type, std::string_view name,
                                std::string_view namespace_uri) = 0;
  virtual DomNodePtr createElement(std::string_view name) = 0;
  // Replaces the tree with the file's; false when the file cannot be read
  // or is not well-formed XML (the tree is then empty). No DTD is read.
  virtual bool Load(std::string_view path) = 0;
  // Writes the tree to `path` in the encoding of its XML declaration (UTF-8
  // without one), through a temporary file, synced, and a rename, so that a
  // reader or a crash never sees half a file. Characters the encoding cannot
  // carry are written as character references, and carriage returns and
  // line feeds inside attribute values as "&#13;" and "&#10;", so that the
  // text reads back exactly. Raises when the file cannot be written.
  virtual void Save(std::string_view path) = 0;
};

// Holds an exclusive lock for its lifetime; released (never thrown) when
// destroyed.
class IFileLock : public virtual Object {};

class IFileSystem : public virtual Object {
 public:
  virtual bool FileExists(std::string_view path) = 0;
  // Waits until this caller alone holds the lock of `path` (a lock file
  // beside it, "<path>.lock", made when missing), across threads and
  // processes, and answers the lock. Raises when the lock file cannot be
  // made or opened.
  virtual std::shared_ptr<IFileLock> LockExclusive(std::string_view path) = 0;
};

}  // namespace corvane
