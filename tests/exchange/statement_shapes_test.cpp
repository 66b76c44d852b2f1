// The statements the exchange classes send, run again on copies of the same
// accounts twice: once with their literal values bound as parameters, once
// as written. Every statement must answer the same rows, column names and
// types, or the same error, and the accounts must end with the same rows.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "exchange/cls_sale_invoice.h"
#include "exchange/cls_sale_order.h"
#include "exchange/cls_stock_bill.h"
#include "frame/outside/object_factory.h"
#include "platform/db/conn_string.h"
#include "platform/db/sqlite_handle.h"
#include "platform/db/statement_shape.h"
#include "support/demo_account.h"
#include "support/exchange_fixture.h"
#include "support/temp_dir.h"
#include "values/run_time_error.h"

namespace corvane::testing {
namespace {

// A new UUID differs from one run to the next: every UUID reads the same.
bool IsUuid(const std::string& s) {
  if (s.size() != 36) return false;
  for (size_t i = 0; i < s.size(); ++i) {
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash ? s[i] != '-' : !std::isxdigit(static_cast<unsigned char>(s[i]))) return false;
  }
  return true;
}

std::string Cell(const Variant& v) {
  std::string text = v.TypeName() + ":";
  if (v.type() == VarType::Bytes) {
    for (uint8_t b : v.AsBytes()) {
      text += "0123456789ABCDEF"[b >> 4];
      text += "0123456789ABCDEF"[b & 15];
    }
  } else if (!v.IsNull() && !v.IsEmpty()) {
    const std::string value = CStr(v);
    text += IsUuid(value) ? "(uuid)" : value;
  }
  return text;
}

// What a statement answered: its column names and rows, or its error.
std::vector<std::string> Answer(db::SqliteHandle& handle, const WatchedConnection::Statement& sent) {
  std::vector<std::string> out;
  try {
    RecordSetPtr rs = sent.read_only ? handle.RunReadOnly(sent.sql) : handle.Run(sent.sql);
    std::string names;
    for (int32_t c = 0; c < rs->FieldCount(); ++c) names += rs->FieldName(c) + "|";
    out.push_back(names);
    for (; !rs->Eof(); rs->MoveNext()) {
      std::string row;
      for (int32_t c = 0; c < rs->FieldCount(); ++c) row += Cell(rs->Fields(c)) + "|";
      out.push_back(row);
    }
  } catch (const RuntimeError& e) {
    out.push_back("error " + std::to_string(e.number()) + ": " + e.description());
  }
  return out;
}

// Every row of every table of the account.
std::vector<std::string> Contents(db::SqliteHandle& handle) {
  std::vector<std::string> out;
  RecordSetPtr tables =
      handle.Run("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name");
  for (; !tables->Eof(); tables->MoveNext()) {
    const std::string table = CStr(tables->Fields(0));
    const auto rows = Answer(handle, {"", "SELECT * FROM \"" + table + "\" ORDER BY rowid", false});
    out.push_back(table);
    out.insert(out.end(), rows.begin(), rows.end());
  }
  return out;
}

std::string Copy(const std::string& path, const TempDir& dir, const std::string& name) {
  const std::string copy = dir.File(name);
  std::filesystem::copy_file(path, copy);
  return copy;
}

TEST(StatementShapes, TheExchangeStatementsAnswerAlikeBoundAndAsWritten) {
  DemoAccount source, target(DemoAccount::BaseOnly());
  db::HandlePool::CloseIdle();  // the files hold every row before they are copied
  TempDir copies;
  const std::map<std::string, std::string> bound = {
      {source.path(), Copy(source.path(), copies, "source-bound.db")},
      {target.path(), Copy(target.path(), copies, "target-bound.db")}};
  const std::map<std::string, std::string> written = {
      {source.path(), Copy(source.path(), copies, "source-written.db")},
      {target.path(), Copy(target.path(), copies, "target-written.db")}};

  WatchedConnection::log.clear();
  {
    ScopedProgIdOverride watched{kConnectionProgId,
                                 [] { return std::make_shared<WatchedConnection>(); }};
    clsSaleOrder orders;
    clsSaleInvoice invoices;
    clsStockBill bills;
    bills.SetStockBillType(21);
    for (int round = 0; round < 2; ++round) {  // the second round saves over the first
      EXPECT_FALSE(CopyDocuments(orders, source, orders, target).progress.empty());
      EXPECT_FALSE(CopyDocuments(invoices, source, invoices, target).progress.empty());
      EXPECT_FALSE(CopyDocuments(bills, source, bills, target).progress.empty());
    }
  }
  const std::vector<WatchedConnection::Statement> sent = WatchedConnection::log;
  ASSERT_GT(sent.size(), 500u);

  std::map<std::string, std::unique_ptr<db::SqliteHandle>> handles;
  auto handle = [&](const std::map<std::string, std::string>& files, const std::string& conn,
                    bool bind) -> db::SqliteHandle& {
    db::ConnectionSettings settings = db::ParseConnString(conn);
    settings.data_source = files.at(settings.data_source);
    auto& h = handles[settings.data_source];
    if (!h) {
      h = std::make_unique<db::SqliteHandle>(settings);
      h->set_bind_values(bind);
    }
    return *h;
  };
  size_t errors = 0, shaped = 0;
  for (const auto& s : sent) {
    db::StatementShape shape;
    shaped += db::ShapeStatement(s.sql, shape);
    SCOPED_TRACE(s.sql);
    const auto as_bound = Answer(handle(bound, s.conn_string, true), s);
    const auto as_written = Answer(handle(written, s.conn_string, false), s);
    errors += as_bound.size() == 1 && as_bound[0].rfind("error", 0) == 0;
    // A server date or a new UUID differs from one run to the next.
    const std::string upper = UCase(s.sql);
    if (upper.find("GETDATE") != std::string::npos || upper.find("NEWID") != std::string::npos) {
      EXPECT_EQ(as_bound.size(), as_written.size());
    } else {
      EXPECT_EQ(as_bound, as_written);
    }
  }
  EXPECT_EQ(errors, 0u);
  EXPECT_GT(shaped, sent.size() / 2);  // most of them carry values
  for (const auto& [original, file] : bound) {
    SCOPED_TRACE(original);
    EXPECT_EQ(Contents(*handles.at(file)), Contents(*handles.at(written.at(original))));
  }
}

TEST(StatementShapes, HandWrittenStatementsAnswerAlikeBoundAndAsWritten) {
  DemoAccount account;
  db::HandlePool::CloseIdle();
  TempDir copies;
  db::ConnectionSettings bound_settings, written_settings;
  bound_settings.data_source = Copy(account.path(), copies, "bound.db");
  written_settings.data_source = Copy(account.path(), copies, "written.db");
  db::SqliteHandle bound(bound_settings), written(written_settings);
  written.set_bind_values(false);
  const char* statements[] = {
      // Comparisons of every type against text, number and date columns.
      "SELECT FNumber, FName FROM t_Item WHERE FItemID = 1",
      "SELECT FNumber FROM t_Item WHERE FItemID = '1'",
      "SELECT FNumber FROM t_Item WHERE FNumber = 1",
      "SELECT FNumber FROM t_Item WHERE FName = N'o''neil ' OR FItemID IN (1, 2, -3)",
      "SELECT FBillNo, FDate FROM SEOrder WHERE FDate >= '2023-01-01' AND FInterID <> 0",
      "SELECT FBillNo FROM SEOrder WHERE FExchangeRate = 1.0 AND FInterID > 0.5",
      "SELECT COUNT(*) AS n FROM SEOrderEntry WHERE FQty > 1e0 AND FQty < 99999999999999999999",
      "SELECT x = 1, 'a' AS b, FItemID + 1 FROM t_Item WHERE FItemID = 2",
      "SELECT FNumber + '-' + FName AS t FROM t_Item WHERE FItemID = 3",
      // Writes, and what they leave.
      "UPDATE t_Item SET FName = 'Renamed', FNumber = 42 WHERE FItemID = 4",
      "SELECT FName, FNumber FROM t_Item WHERE FItemID = 4",
      "INSERT INTO t_SubMessage (FInterID, FID, FName, FTypeID) VALUES (90001, 'S9', 'x', 1.5)",
      "SELECT * FROM t_SubMessage WHERE FInterID = 90001",
      // Errors: a refused variable, a syntax error at the literal, a type.
      "SELECT FNumber FROM t_Item WHERE FItemID = @ItemID AND FNumber = 'x'",
      "SELECT FNumber FROM t_Item WHERE FItemID = 1 2",
      "SELECT FNumber FROM t_Item WHERE = 5",
      "INSERT INTO t_Item (FItemID) VALUES ('not a number')",
      "SELECT FNumber FROM no_such_table WHERE a = 1",
  };
  for (const char* sql : statements) {
    SCOPED_TRACE(sql);
    const WatchedConnection::Statement s{"", sql, false};
    EXPECT_EQ(Answer(bound, s), Answer(written, s));
  }
  EXPECT_EQ(Contents(bound), Contents(written));
}

}  // namespace
}  // namespace corvane::testing
