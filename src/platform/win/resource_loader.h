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
// A file is malformed, and refused whole, when a line is none of a comment, a
// blank line, msgid, msgstr or a continued string (an unknown keyword, such as
// msgctxt or msgid_plural of the wider PO form, or a string without its
// keyword), when a msgstr has no msgid before it or a msgid no msgstr after
// it, when a string is not closed, holds an unknown escape or is followed by
// other text, when a msgid is given twice, or when the text is not UTF-8.
// The error (75) names the file and the line: "<file>:<line>: <why>".
//
// LoadString answers the translation of a key; the key itself when no
// language is selected, when the language has no file, or when the file has
// no translation for it. A file that cannot be read or is malformed raises
// that error on every LoadString of its language (the message lookup then
// shows the texts as written), so a broken file is never half used. Each
// loader reads a file once and keeps it, or its error; a loader belongs to
// one thread.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <unordered_map>

#include "frame/outside/resource_loader.h"
#include "values/run_time_error.h"

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
  // A file read: its entries, or the error that refused it; neither when
  // there is no file.
  struct Loaded {
    std::optional<Table> table;
    std::optional<RuntimeError> error;
  };
  std::map<std::string, Loaded> tables_;  // by file path
};

// Parses the text of a resource file into key -> translation (untranslated
// entries left out). Malformed text raises 75 with the file and the line.
std::unordered_map<std::string, std::string> ParseResourceText(std::string_view text,
                                                               const std::string& file_name);

// Reads and parses the resource file at `path`; raises 75 naming it when it
// cannot be read or is malformed.
std::unordered_map<std::string, std::string> ReadResourceFile(const std::string& path);

// The resource file of a family and language in a folder (ending in "/").
std::string ResourceFilePath(const std::string& folder, const std::string& base_name,
                             const std::string& language);

// The resource files of the family `base_name` in `folder`: language (as
// the file name writes it) -> path, in the order of the languages.
std::map<std::string, std::string> ResourceFilesIn(const std::string& folder,
                                                   const std::string& base_name);

}  // namespace corvane::platform
