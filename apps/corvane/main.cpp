// corvane: the command-line host of the component.
//
//   corvane selfcheck     what the installed component will use and can create
//
// Every command prints what it did and exits with 0 on success, 1 when the
// work failed and 2 when the command line was wrong.
#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>

#include "frame/module_state.h"
#include "frame/outside/object_factory.h"
#include "frame/outside/system_services.h"
#include "frame/schema_folder.h"
#include "frame/version.h"
#include "platform/platform_components.h"
#include "platform/win/registry_file.h"
#include "platform/win/resource_folder.h"
#include "values/run_time_error.h"

namespace {

using namespace corvane;

std::string Described(const std::string& folder) {
  std::error_code ec;
  if (folder.empty()) return "(none)";
  return folder + (std::filesystem::is_directory(folder, ec) ? "" : "  (missing)");
}

int SelfCheck() {
  std::cout << "Corvane " << ComponentVersion() << "\n";
  std::cout << "component folder:  " << Described(ModuleFolder()) << "\n";
  std::cout << "registry file:     " << platform::RegistryFilePath()
            << (std::filesystem::exists(platform::RegistryFilePath()) ? "" : "  (missing)")
            << "\n";
  std::string schema_folder;
  try {
    schema_folder = ThisThreadSchemaFolder();
  } catch (const RuntimeError& e) {
    std::cout << "schema folder:     cannot be read: " << e.description() << "\n";
    return 1;
  }
  std::cout << "schema folder:     " << Described(schema_folder) << "\n";
  const std::string fallback = ModuleFolder() + "SCHEMA/";
  if (fallback != schema_folder) std::cout << "  fallback:        " << Described(fallback) << "\n";
  std::cout << "resource folder:   " << Described(platform::ResourceFolder()) << "\n";
  std::cout << "outside components:\n";
  int failures = 0;
  for (const std::string& prog_id : RegisteredProgIds()) {
    try {
      CreateObject(prog_id);
      std::cout << "  " << prog_id << "  ok\n";
    } catch (const RuntimeError& e) {
      std::cout << "  " << prog_id << "  cannot be created: " << e.description() << "\n";
      ++failures;
    }
  }
  return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  corvane::platform::RegisterPlatformComponents();

  CLI::App app{"Corvane: business documents between the ERP account database and the CRM"};
  app.require_subcommand(1);
  app.set_version_flag("--version", corvane::ComponentVersion());
  auto* selfcheck = app.add_subcommand("selfcheck", "Show what the component uses and can create");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? 0 : 2;
  }
  if (*selfcheck) return SelfCheck();
  return 2;
}
