// Where the schema files of the documents are found.
//
// The installation folder of the web service is the registry value "path"
// under HKEY_LOCAL_MACHINE\SOFTWARE\BRISQUEL\ZUWEBSERVICE; its "SCHEMA"
// subfolder holds one schema file per document kind. Without the value the
// schema folder is "SCHEMA/", relative to the current folder, and the XML
// bridge then looks in the component's own folder.
#pragma once

#include <string>
#include <string_view>

namespace corvane {

inline constexpr const char* kInstallationKey =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\BRISQUEL\\ZUWEBSERVICE";

// Reads the schema folder from the registry: the installation folder with a
// trailing separator and "SCHEMA/". Registry failures raise.
std::string ReadSchemaFolder();

// This thread's schema folder: read once, on the first call, and kept for the
// thread's life.
std::string ThisThreadSchemaFolder();

// "" for ""; the path unchanged when it ends with "/" or "\"; else the path
// followed by "/".
std::string EnsureTrailingSeparator(std::string_view path);

// The text after the last "/" or "\" (the whole path when it has none).
std::string FileNameOfPath(std::string_view path);

}  // namespace corvane
