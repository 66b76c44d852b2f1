#include "frame/messages.h"

#include "frame/call_context.h"
#include "frame/err_object.h"
#include "frame/module_state.h"
#include "frame/outside/object_factory.h"
#include "frame/outside/resource_loader.h"

namespace corvane {
namespace {

// This thread's resource loader, set up for the thread's language; raises
// when it cannot be created or set up.
IResourceLoader& ReadyLoader() {
  ModuleState& s = ThisThreadState();
  if (s.message_language.empty()) s.message_language = GetLoginPropValue("LANGUAGE");
  if (!s.resource_loader) s.resource_loader = CreateObjectAs<IResourceLoader>(kResourceLoaderProgId);
  auto* loader = dynamic_cast<IResourceLoader*>(s.resource_loader.get());
  if (!loader) throw RuntimeError(err::kNoSuchMember);
  loader->SetResFileBaseName(kResFileBaseName);
  loader->SetLanguageID(s.message_language);
  return *loader;
}

std::string Lookup(std::string_view text);

std::string Composite(const std::string& text) {
  const std::string_view sep = kCompositeSeparator;
  const std::string_view marker = kLookupMarker;
  std::string out;
  size_t start = 0;
  while (true) {
    const size_t end = text.find(sep, start);
    const std::string_view piece =
        std::string_view(text).substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (piece.substr(0, marker.size()) == marker) {
      out += Lookup(piece.substr(marker.size()));
    } else {
      out += piece;
    }
    if (end == std::string::npos) break;
    start = end + sep.size();
  }
  return out;
}

std::string Lookup(std::string_view text) {
  IResourceLoader* loader = nullptr;
  try {
    loader = &ReadyLoader();
  } catch (...) {
    return std::string(text);  // without a loader the text is used as written
  }
  const std::string trimmed = Trim(text);
  try {
    if (trimmed.find(kCompositeSeparator) != std::string::npos) return Composite(trimmed);
    if (trimmed.empty()) return {};
    return loader->LoadString(trimmed);
  } catch (...) {
    return trimmed;
  }
}

}  // namespace

std::string GetMessageText(std::string_view text) noexcept {
  PendingErrorGuard keep_pending_error;
  return Lookup(text);
}

std::string FormatMessageText(std::string_view text_template,
                              const std::vector<Variant>& values) noexcept {
  PendingErrorGuard keep_pending_error;
  const std::string looked_up = Lookup(text_template);
  try {
    std::vector<Variant> filled;
    filled.reserve(values.size());
    for (const Variant& v : values) filled.push_back(v.IsNull() ? Variant(std::string()) : v);
    return ThisThreadValueUtility().FormatText(looked_up, filled);
  } catch (...) {
    return looked_up;
  }
}

std::string BuildErrorText(const RuntimeError& error) noexcept {
  PendingErrorGuard keep_pending_error;
  return GetMessageText("错误号:") + std::to_string(error.number()) + "\r\n" +
         GetMessageText("错误源:") + error.source() + "\r\n" + GetMessageText("错误描述:") +
         error.description();
}

}  // namespace corvane
