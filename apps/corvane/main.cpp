// corvane: the command-line host of the component.
//
//   corvane selfcheck                     what the installed component uses and can create
//   corvane erp init --db PATH [...]      create a demo ERP account database
//   corvane erp sql --db PATH "T-SQL"     run one statement and print its rows
//   corvane erp check --db PATH           check an account database's consistency
//   corvane export saleorder ...          export changed orders page by page into XML files
//   corvane import saleorder ... FILE...  import the orders of XML files
//   corvane call PROGID METHOD ...        call any member of a public class late-bound
//   corvane call PROGID METHOD [--set Option=value]... [name=value]...
//                                         call a public class late-bound
//
// Every command exits with 0 on success, 1 when the work failed and 2 when
// the command line was wrong.
#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "apps/corvane/call_command.h"
#include "apps/corvane/account_options.h"
#include "apps/corvane/export_command.h"
#include "apps/corvane/import_command.h"
#include "apps/corvane/dts_command.h"
#include "apps/corvane/query_command.h"
#include "apps/corvane/table_printer.h"
#include "erpdb/account_check.h"
#include "erpdb/demo_data.h"
#include "frame/call_context.h"
#include "frame/gateway.h"
#include "frame/outside/object_factory.h"
#include "frame/outside/system_services.h"
#include "frame/schema_folder.h"
#include "frame/version.h"
#include "platform/platform_components.h"
#include "platform/win/login_props.h"
#include "platform/win/registry_file.h"
#include "platform/win/resource_folder.h"
#include "server/registration.h"
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

using cli::AccountOptions;

int ErpSql(const AccountOptions& account, const std::string& sql) {
  try {
    ParsePropsString(account.PropsString());
    ConnectionPtr connection;
    OpenErpConnection(connection);
    RecordSetPtr rs = connection->GetAnyRecordSet(sql);
    cli::PrintRecordSet(*rs, std::cout);
    connection->CloseConn();
    return 0;
  } catch (const RuntimeError& e) {
    std::cerr << "error " << e.number() << " (" << e.source() << "): " << e.description() << "\n";
    return 1;
  }
}

int ErpInit(const std::string& path, const erpdb::DemoOptions& options) {
  try {
    const auto start = std::chrono::steady_clock::now();
    const erpdb::DemoSummary summary = erpdb::CreateDemoAccount(path, options);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::cout << "created " << path << " in " << seconds << " s\n";
    std::cout << erpdb::DescribeSummary(summary);
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "error: " << e.what() << "\n";
    return 1;
  }
}

// One line per check: "NAME: ok", or "NAME: FAILED" followed by the problems it found.
int ErpCheck(const std::string& path) {
  try {
    bool all_passed = true;
    for (const erpdb::AccountCheck& check : erpdb::CheckAccountFile(path)) {
      if (check.problems.empty()) {
        std::cout << check.name << ": ok\n";
        continue;
      }
      all_passed = false;
      std::cout << check.name << ": FAILED:";
      const char* separator = " ";
      for (const std::string& problem : check.problems) {
        std::cout << separator << problem;
        separator = "; ";
      }
      std::cout << "\n";
    }
    return all_passed ? 0 : 1;
  } catch (const std::exception& e) {
    std::cerr << "error: " << e.what() << "\n";
    return 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  corvane::platform::RegisterPlatformComponents();
  corvane::server::RegisterPublicClasses();
  // Every line reaches the terminal, pipe or file as it is written, so a run
  // that is killed keeps the lines of the pages it finished.
  std::cout << std::unitbuf;

  CLI::App app{"Corvane: business documents between the ERP account database and the CRM"};
  app.require_subcommand(1);
  app.set_version_flag("--version", corvane::ComponentVersion());
  // --lang is taken before or after any command; the subcommands made below
  // hand it up to this level.
  std::string language;
  app.add_option("--lang", language, "Language of the messages: CHS (as written), ENG or CHT")
      ->check(CLI::IsMember({"CHS", "ENG", "CHT"}, CLI::ignore_case));
  app.fallthrough();

  auto* selfcheck = app.add_subcommand("selfcheck", "Show what the component uses and can create");

  auto* erp = app.add_subcommand("erp", "The embedded ERP account database");
  erp->require_subcommand(1);

  auto* init = erp->add_subcommand("init", "Create a demo account database");
  std::string init_db;
  corvane::erpdb::DemoOptions demo;
  init->add_option("--db", init_db, "The database file to create (must not exist)")->required();
  init->add_option("--orders", demo.orders, "Sales orders")->capture_default_str();
  init->add_option("--invoices", demo.invoices, "Sales invoices")->capture_default_str();
  init->add_option("--stock-bills", demo.stock_bills, "Stock bills")->capture_default_str();
  init->add_option("--seed", demo.seed, "Seed of the generated data")->capture_default_str();
  init->add_flag("--base-only", demo.base_only, "Base data only, no documents");

  auto* sql = erp->add_subcommand("sql", "Run one T-SQL statement and print its rows");
  AccountOptions sql_account;
  sql_account.AddTo(sql);
  std::string statement;
  sql->add_option("statement", statement, "The statement")->required();

  auto* check = erp->add_subcommand("check", "Check the consistency of an account database");
  std::string check_db;
  check->add_option("--db", check_db, "The account database file")->required();

  corvane::cli::CallOptions call_options;
  auto* call = corvane::cli::AddCallCommand(app, call_options);
  corvane::cli::ExportOptions export_options;
  auto* export_cmd = corvane::cli::AddExportCommand(app, export_options);
  corvane::cli::ImportOptions import_options;
  auto* import_cmd = corvane::cli::AddImportCommand(app, import_options);
  corvane::cli::QueryOptions stock_options, trace_options;
  auto* stock_cmd = corvane::cli::AddStockCommand(app, stock_options);
  auto* trace_cmd = corvane::cli::AddTraceCommand(app, trace_options);
  corvane::cli::DtsOptions dts_options;
  auto* dts_cmd = corvane::cli::AddDtsCommand(app, dts_options);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? 0 : 2;
  }
  if (!language.empty()) {
    // The login language of this process, before what the environment gives.
    const char* given = std::getenv(corvane::platform::kLoginPropsEnvironment);
    corvane::platform::SetLoginPropsString("LANGUAGE=" + corvane::UCase(language) + ";" +
                                           (given ? given : ""));
  }
  try {
    if (*selfcheck) return SelfCheck();
    if (*init) return ErpInit(init_db, demo);
    if (*check) return ErpCheck(check_db);
    if (*call) return corvane::cli::RunCall(call_options, std::cin, std::cout, std::cerr);
    if (*export_cmd) return corvane::cli::RunExport(export_options, std::cout, std::cerr);
    if (*import_cmd) return corvane::cli::RunImport(import_options, std::cout, std::cerr);
    if (*stock_cmd) return corvane::cli::RunStock(stock_options, std::cout, std::cerr);
    if (*trace_cmd) return corvane::cli::RunTrace(trace_options, std::cout, std::cerr);
    if (*dts_cmd) return corvane::cli::RunDts(*dts_cmd, dts_options, std::cin, std::cout, std::cerr);
    if (*sql) {
      if (!sql_account.Given()) {
        std::cerr << "erp sql: give --db PATH or --props\n";
        return 2;
      }
      return ErpSql(sql_account, statement);
    }
  } catch (const std::exception& e) {
    std::cerr << "corvane: " << e.what() << "\n";
    return 1;
  } catch (...) {
    std::cerr << "corvane: an unexpected failure\n";
    return 1;
  }
  return 2;
}
