// The stand-in of "TavoRESLOADER.Loader": message translations read from
// resource files, one per family and language, in the resource folder:
//
//   <folder>/<family>.<language>.po     e.g. resources/TavoINDUSTRY.ENG.po
//
// The files use the plain entries of the PO form translators know:
//
//   # a comment
//   msgid "单据不存在！"
//   msgstr "The document does not exist!"
//
// Strings are UTF-8 in double quotes with \" \\ \n \r \t escapes; adjacent
// strings are joined. An entry whose msgstr is "" is untranslated.
//
// LoadString answers the translation of a key; the key itself when no
// language is selected, when the language has no file, or when the file has
// no translation for it. A file that cannot be read is an error (75) naming
// it. Each loader reads a file once and keeps it; a loader belongs to one
// thread.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <unordered_map>

#include "frame/outside/resource_loader.h"

namespace corvane::platform {

class ResourceFileLoader : public IResourceLoader {
 public:
  // Reads from `folder`; "" means ResourceFolder() at the first read.
  explicit ResourceFileLoader(std::string folder = {}) : folder_(std::move(folder)) {}

  void SetResFileBaseName(std::string_view name) override { base_name_ = std::string(name); }
  void SetLanguageID(std::string_view language) override { language_ = std::string(language); }
  std::string LoadString(std::string_view key) override;

 private:
  using Table = std::unordered_map<std::string, std::string>;
  const Table* TableFor(const std::string& base_name, const std::string& language);

  std::string folder_;
  std::string base_name_;
  std::string language_;
  std::map<std::string, std::optional<Table>> tables_;  // file path -> entries (nullopt: no file)
};

// Parses the text of a resource file into key -> translation (untranslated
// entries left out). Text that cannot be read raises 75 with the line.
std::unordered_map<std::string, std::string> ParseResourceText(std::string_view text,
                                                               const std::string& file_name);

}  // namespace corvane::platform
