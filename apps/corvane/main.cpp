// corvane: the command-line host of the component.
//
//   corvane selfcheck                     what the installed component uses and can create
//   corvane erp init --db PATH [...]      create a demo ERP account database
//   corvane erp sql --db PATH "T-SQL"     run statements and print each one's rows or count
//   corvane erp check --db PATH           check an account database's consistency
//   corvane export saleorder ...          export changed orders page by page into XML files
//   corvane import saleorder ... FILE...  import the orders of XML files
//   corvane stock, trace, dts ...         the queries and the file-based order interface
//   corvane call PROGID METHOD [--set Option=value]... [name=value]...
//                                         call a public class late-bound
//
// Every command exits with 0 when everything went through, 1 when some
// documents were refused or not found (a check failed, a call answered
// False), 2 for a usage or set-up error (the command line, an account or a
// file that cannot be used) and 130 when Ctrl-C interrupted an export; its
// errors go to standard error as "<command>: <message>".
#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "apps/corvane/account_fill.h"
#include "apps/corvane/account_options.h"
#include "apps/corvane/call_command.h"
#include "apps/corvane/command_failure.h"
#include "apps/corvane/dts_command.h"
#include "apps/corvane/export_command.h"
#include "apps/corvane/import_command.h"
#include "apps/corvane/query_command.h"
#include "apps/corvane/table_printer.h"
#include "apps/corvane/wording.h"
#include "erpdb/account_check.h"
#include "erpdb/demo_data.h"
#include "frame/call_context.h"
#include "frame/gateway.h"
#include "frame/messages.h"
#include "frame/outside/object_factory.h"
#include "frame/outside/system_services.h"
#include "frame/schema_folder.h"
#include "frame/version.h"
#include "platform/db/conn_string.h"
#include "platform/db/odbc_handle.h"
#include "platform/platform_components.h"
#include "platform/win/login_props.h"
#include "platform/win/registry_file.h"
#include "platform/win/resource_folder.h"
#include "platform/win/resource_loader.h"
#include "server/registration.h"
#include "values/run_time_error.h"

namespace {

using namespace corvane;

std::string Described(const std::string& folder) {
  std::error_code ec;
  if (folder.empty()) return "(none)";
  return folder + (std::filesystem::is_directory(folder, ec) ? "" : "  (missing)");
}

// The message language of this process (--lang, else the login properties);
// "" when none is set.
std::string LoginLanguage() { return UCase(GetLoginPropValue("LANGUAGE")); }

// The translation files of the resource folder, each with its number of
// texts or why it is refused, and which of them the login language uses;
// answers the number of files refused.
int ShowTranslations(std::ostream& out) {
  const std::string language = LoginLanguage();
  out << "login language:    " << (language.empty() ? "(none: the texts as written)" : language)
      << "\n";
  const std::string folder = platform::ResourceFolder();
  const auto files = platform::ResourceFilesIn(folder, kResFileBaseName);
  out << "translations:" << (files.empty() ? "      (none)" : "") << "\n";
  int refused = 0;
  for (const auto& [file_language, path] : files) {
    out << "  " << std::filesystem::path(path).filename().string() << "  ";
    try {
      out << cli::Counted(platform::ReadResourceFile(path).size(), "text", "texts");
    } catch (const RuntimeError& e) {
      out << "refused: " << e.description();
      ++refused;
    }
    out << (file_language == language ? "  (in use)" : "") << "\n";
  }
  if (!language.empty() && language != "CHS" && files.count(language) == 0)
    out << "  no file for " << language << ": the texts as written\n";
  return refused;
}

// Says on standard error, once, that the translation file of the login
// language is refused (the messages are then shown as written).
void WarnOfRefusedTranslation(std::ostream& err) {
  const std::string language = LoginLanguage();
  if (language.empty()) return;
  const std::string path =
      platform::ResourceFilePath(platform::ResourceFolder(), kResFileBaseName, language);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return;
  try {
    platform::ReadResourceFile(path);
  } catch (const RuntimeError& e) {
    err << "corvane: the translations are refused, the messages are shown as written: "
        << e.description() << "\n";
  }
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
  int failures = ShowTranslations(std::cout);
  // SQL Server accounts are reached through ODBC: the drivers the driver
  // manager knows, and whether the one SQL Server providers use loads.
  const std::vector<db::OdbcDriver> drivers = db::InstalledOdbcDrivers();
  std::cout << "ODBC drivers:      ";
  for (size_t i = 0; i < drivers.size(); ++i) std::cout << (i ? ", " : "") << drivers[i].name;
  std::cout << (drivers.empty() ? "none installed\n" : "\n");
  const std::string configured = db::DefaultOdbcDriver();
  const auto driver = std::find_if(drivers.begin(), drivers.end(),
                                   [&](const db::OdbcDriver& d) { return d.name == configured; });
  std::cout << "  for SQL Server:  " << configured;
  if (driver == drivers.end()) {
    std::cout << "  not installed (apt-get install tdsodbc, or set CORVANE_ODBC_DRIVER)\n";
  } else if (std::string why; !db::OdbcDriverLoads(*driver, why)) {
    std::cout << "  cannot be loaded: " << why << "\n";
  } else {
    std::cout << "  loads (" << driver->library << ")\n";
  }
  std::cout << "outside components:\n";
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

// Runs every statement of the text in order and prints what each one gave,
// separated by blank lines: its rows as a table, "N rows changed" for an
// INSERT, UPDATE or DELETE, "done" for any other. A statement the database
// refuses ends the run there (exit status 1), after the output of the ones
// before it.
int ErpSql(const AccountOptions& account, const std::string& sql) {
  if (sql.find_first_not_of(" \t\r\n;") == std::string::npos) {
    std::cerr << "erp sql: the statement is empty\n";
    return 2;
  }
  ConnectionPtr connection;
  try {
    connection = account.Open();
  } catch (...) {
    return cli::ReportSetUpFailure("erp sql", std::cerr);
  }
  try {
    bool first = true;
    const int32_t ran = connection->RunBatch(sql, [&](const StatementOutcome& outcome) {
      if (!first) std::cout << "\n";
      first = false;
      if (outcome.rows)
        cli::PrintRecordSet(*outcome.rows, std::cout);
      else if (outcome.rows_changed >= 0)
        std::cout << cli::Counted(outcome.rows_changed, "row", "rows") << " changed\n";
      else
        std::cout << "done\n";
    });
    connection->CloseConn();
    if (ran == 0) {
      std::cerr << "erp sql: the text holds no statement, only comments\n";
      return 2;
    }
    return 0;
  } catch (...) {
    cli::ReportCaught("erp sql", std::cerr);
    return 1;
  }
}

// A new embedded account at `path`, or, with a property string instead, the
// account it names (through ODBC: a SQL Server database, empty or holding the
// account schema alone).
int ErpInit(const std::string& path, const std::string& props, const erpdb::DemoOptions& options) {
  if (path.empty() == props.empty()) {
    std::cerr << "erp init: give either --db PATH (a new embedded account) or --props (an empty "
                 "account database through its connection string)\n";
    return 2;
  }
  try {
    const auto start = std::chrono::steady_clock::now();
    const erpdb::DemoSummary summary = path.empty()
                                           ? cli::FillAccountThroughConnection(props, options)
                                           : erpdb::CreateDemoAccount(path, options);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::cout << (path.empty() ? "filled the account" : "created " + path) << " in "
              << cli::Seconds(seconds) << "\n";
    std::cout << erpdb::DescribeSummary(summary);
    return 0;
  } catch (...) {
    return cli::ReportSetUpFailure("erp init", std::cerr);
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
  } catch (...) {
    return cli::ReportSetUpFailure("erp check", std::cerr);
  }
}

// What --help says of every command.
constexpr const char* kExitStatusHelp =
    "Exit status: 0 when everything went through; 1 when some documents were refused or not\n"
    "found (an export page did not move the cursor, a check failed, a call answered False);\n"
    "2 for a usage or set-up error (bad arguments, an account, file or folder that cannot be\n"
    "used); 130 when Ctrl-C interrupted an export. Errors go to standard error as\n"
    "\"<command>: <message>\".";

void AddFooter(CLI::App& app) {
  app.footer(kExitStatusHelp);
  for (CLI::App* sub : app.get_subcommands({})) AddFooter(*sub);
}

// "export", "erp sql": the commands the command line named before an error.
std::string CommandPath(CLI::App& app) {
  std::string path;
  for (CLI::App* cmd = &app; !cmd->get_subcommands().empty();) {
    cmd = cmd->get_subcommands().back();
    path += (path.empty() ? "" : " ") + cmd->get_name();
  }
  return path.empty() ? "corvane" : path;
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
  std::string init_db, init_props;
  corvane::erpdb::DemoOptions demo;
  init->add_option("--db", init_db, "The database file to create (must not exist)");
  init->add_option("--props", init_props,
                   "Instead: fill the empty account of this property string (SQL Server through "
                   "ODBC); the account schema is made when the database has none");
  init->add_option("--orders", demo.orders, "Sales orders")
      ->check(corvane::cli::CountFromZero())
      ->capture_default_str();
  init->add_option("--invoices", demo.invoices, "Sales invoices")
      ->check(corvane::cli::CountFromZero())
      ->capture_default_str();
  init->add_option("--stock-bills", demo.stock_bills, "Stock bills")
      ->check(corvane::cli::CountFromZero())
      ->capture_default_str();
  init->add_option("--seed", demo.seed, "Seed of the generated data")->capture_default_str();
  init->add_flag("--base-only", demo.base_only, "Base data only, no documents");

  auto* sql = erp->add_subcommand(
      "sql", "Run T-SQL statements and print each one's rows, or the rows it changed");
  AccountOptions sql_account;
  sql_account.AddTo(sql);
  std::string statement;
  sql->add_option("statement", statement, "The statements (several separated by \";\")")
      ->required();

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

  AddFooter(app);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);  // --help, --version
    std::cerr << CommandPath(app) << ": " << e.what()
              << "\nRun with --help for more information.\n";
    return 2;
  }
  if (!language.empty()) {
    // The login language of this process, before what the environment gives.
    const char* given = std::getenv(corvane::platform::kLoginPropsEnvironment);
    corvane::platform::SetLoginPropsString("LANGUAGE=" + corvane::UCase(language) + ";" +
                                           (given ? given : ""));
  }
  if (!*selfcheck) WarnOfRefusedTranslation(std::cerr);
  try {
    if (*selfcheck) return SelfCheck();
    if (*init) return ErpInit(init_db, init_props, demo);
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
