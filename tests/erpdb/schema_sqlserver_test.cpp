// The account schema for SQL Server must hold what the embedded schema holds:
// every table, every column with the same type, every index. The server
// stamps row versions itself, so the embedded account's row-version counter
// tables have no counterpart there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "erpdb/account_db.h"

namespace {

struct Schema {
  std::map<std::string, std::map<std::string, std::string>> columns;  // table -> column -> type
  std::set<std::string> indexes;
};

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// The tables, column types and index names of a DDL file written one column
// a line, as both schema files are.
Schema Read(const std::string& file) {
  std::ifstream in(std::string(CORVANE_TEST_SOURCE_DIR) + "/erpdb/" + file);
  EXPECT_TRUE(in) << file;
  Schema schema;
  const std::regex table(R"(^CREATE TABLE (\w+) \($)");
  const std::regex column(R"(^  (\w+) (\w+(\([0-9, ]+\))?))");
  const std::regex computed(R"(^  (\w+) .*(GENERATED ALWAYS AS|AS) \((\w+)\))");
  const std::regex index(R"(^CREATE (UNIQUE )?INDEX (\w+))");
  std::string line, current;
  std::smatch m;
  while (std::getline(in, line)) {
    if (std::regex_search(line, m, table)) {
      current = m[1];
      schema.columns[current];
    } else if (line.rfind(");", 0) == 0) {
      current.clear();
    } else if (!current.empty() && std::regex_search(line, m, computed)) {
      schema.columns[current][m[1]] = "= " + m[3].str();
    } else if (!current.empty() && std::regex_search(line, m, column)) {
      const std::string name = m[1];
      if (name == "PRIMARY" || name == "CHECK" || name == "UNIQUE") continue;
      std::string type = Upper(m[2]);
      type.erase(std::remove(type.begin(), type.end(), ' '), type.end());
      if (type == "TIMESTAMP") type = "ROWVERSION";  // the embedded account's spelling
      if (type == "INTEGER") type = "INT";
      schema.columns[current][name] = type;
    } else if (std::regex_search(line, m, index)) {
      schema.indexes.insert(m[2]);
    }
  }
  return schema;
}

TEST(SqlServerSchema, HoldsEveryTableColumnAndIndexOfTheEmbeddedSchema) {
  const Schema embedded = Read("schema.sql");
  const Schema server = Read("schema_sqlserver.sql");
  ASSERT_GT(embedded.columns.size(), 20u);
  for (const auto& [table, columns] : embedded.columns) {
    if (table == "t_RowVersionCounter" || table == "t_RowVersionHeld") {
      EXPECT_EQ(server.columns.count(table), 0u) << table;
      continue;
    }
    SCOPED_TRACE(table);
    ASSERT_EQ(server.columns.count(table), 1u);
    EXPECT_EQ(server.columns.at(table), columns);
  }
  EXPECT_EQ(server.columns.size(), embedded.columns.size() - 2);
  for (const std::string& index : embedded.indexes) EXPECT_EQ(server.indexes.count(index), 1u) << index;
}

// A CREATE TRIGGER must open its batch on the server: the script's GO lines
// split it so, and no batch is left blank.
TEST(SqlServerSchema, EachTriggerOpensABatchOfItsOwn) {
  const std::vector<std::string> batches = corvane::erpdb::SqlServerSchemaBatches();
  int triggers = 0;
  for (const std::string& batch : batches) {
    const size_t trigger = batch.find("CREATE TRIGGER");
    if (trigger == std::string::npos) continue;
    ++triggers;
    EXPECT_EQ(batch.find("CREATE TABLE"), std::string::npos) << batch.substr(0, 200);
    EXPECT_EQ(batch.find("CREATE TRIGGER", trigger + 1), std::string::npos);
    EXPECT_EQ(batch.find("\nGO"), std::string::npos);
  }
  EXPECT_EQ(triggers, 3);
  EXPECT_NE(batches.front().find("CREATE TABLE t_Item"), std::string::npos);
  EXPECT_NE(batches.back().find("INSERT INTO t_BillInterIDMax"), std::string::npos);
}

}  // namespace
