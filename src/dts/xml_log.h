// The operation log of the file-based sales order interface: an XML file, in
// GB2312, to which every report of the interface is appended as one element,
//
//   <?xml version="1.0" encoding="GB2312"?>
//   <ErrLogRoot xmlns:xsd="http://www.w3.org/2001/XMLSchema"
//               xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
//     <ErrLog Direct="Corvane" Time="2026-12-08T10:22:13" ErrMsg="..."/>
//   </ErrLogRoot>
//
// (written without the line breaks and indentation shown). Time is the local
// date and time the entry was made; ErrMsg the report text, whole, line
// breaks included. Characters GB2312 lacks are written as character
// references, so every text reads back exactly.
//
// Everything goes through the DOM document and the file system created by
// ProgID (kDomDocumentProgId, kFileSystemProgId). An append holds the file
// system's exclusive lock of the log for its whole length, and the DOM
// replaces the file atomically, so appends from several threads or processes
// lose no entry and a crash leaves the old file or the new one.
//
// Any thread may call; nothing is kept between calls.
#pragma once

#include <string>
#include <vector>

namespace corvane {

inline constexpr const char* kDefaultLogFileName = "TavoSaleOrder_log.xml";

// The log file a path argument names: `log_path` exactly as given (blanks
// included) when it is not blank after trimming blanks; otherwise
// "TavoSaleOrder_log.xml" in the folder of the component's library.
std::string LogFilePath(const std::string& log_path);

// Appends one report to the log at LogFilePath(log_path), creating the log
// (declaration and empty root, saved first) when no file is there. Raises a
// RuntimeError on every failure, and then writes nothing: when the existing
// file is not such a log (not XML, unreadable, or its second top-level node
// is not an ErrLogRoot element in no namespace, the node after the
// declaration), when the text holds a character XML cannot carry, when a
// component cannot be created, the lock cannot be taken or the file cannot
// be written.
void AppendLogReport(const std::string& log_path, const std::string& text);

// One ErrLog element of a log.
struct LogEntry {
  std::string direct;
  std::string time;
  std::string message;
};

// The entries of the log at LogFilePath(path), oldest first. Raises a
// RuntimeError when there is no file or it is not such a log.
std::vector<LogEntry> ReadLog(const std::string& path);

}  // namespace corvane
