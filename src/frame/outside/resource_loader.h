// "TavoRESLOADER.Loader": the ERP's resource loader, which turns the
// component's fixed Chinese texts into the user's language.
#pragma once

#include <string>
#include <string_view>

#include "values/object.h"

namespace corvane {

inline constexpr const char* kResourceLoaderProgId = "TavoRESLOADER.Loader";

class IResourceLoader : public virtual Object {
 public:
  // Selects the resource file family ("TavoINDUSTRY").
  virtual void SetResFileBaseName(std::string_view name) = 0;
  // Selects the language ("ENG", "CHT", ...); "" means the texts as written.
  virtual void SetLanguageID(std::string_view language) = 0;
  // The text stored for `key` in the selected family and language.
  virtual std::string LoadString(std::string_view key) = 0;
};

}  // namespace corvane
