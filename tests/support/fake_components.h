// Test doubles of outside components: a resource loader that answers from a
// table, and login properties that answer a fixed string.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "frame/outside/resource_loader.h"
#include "frame/outside/share_props.h"
#include "values/run_time_error.h"

namespace corvane::testing {

class TableLoader : public IResourceLoader {
 public:
  // Translations of the language "ENG"; other languages answer the key.
  explicit TableLoader(std::map<std::string, std::string> table, bool fail = false)
      : table_(std::move(table)), fail_(fail) {}
  void SetResFileBaseName(std::string_view name) override { base_name = std::string(name); }
  void SetLanguageID(std::string_view language) override { this->language = std::string(language); }
  std::string LoadString(std::string_view key) override {
    ++loads;
    if (fail_) throw RuntimeError(75, "loader", "cannot load");
    if (language != "ENG") return std::string(key);
    auto it = table_.find(std::string(key));
    return it == table_.end() ? std::string(key) : it->second;
  }
  std::string base_name, language;
  int loads = 0;

 private:
  std::map<std::string, std::string> table_;
  bool fail_;
};

class FixedLoginProps : public IShareProps {
 public:
  explicit FixedLoginProps(std::optional<std::string> props) : props_(std::move(props)) {}
  Variant GetProperty(int32_t&, std::string&) override {
    if (!props_) throw RuntimeError(5);
    return Variant(*props_);
  }

 private:
  std::optional<std::string> props_;
};

}  // namespace corvane::testing
