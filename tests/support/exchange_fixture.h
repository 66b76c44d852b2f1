// Test fixture and helpers for the bill exchange classes (clsSaleOrder,
// clsSaleInvoice, clsStockBill), each test on a demo account of its own.
// ExchangeTest is made with the root name of the class's documents: its
// Export runs one Export call and reads the page back against the schema of
// that root; its Import writes records as a document of that root and
// imports it, recording every Progress event. The class under test comes in
// as a BillExchange, with its kind and options already set by the test.
//
// WatchedConnection, put under the connection ProgID by the test, records
// the statements of every connection the code under test makes. The
// round-trip helpers export every document of one account and import a
// document into another. Everything runs on the test's thread; a step that
// fails is a failed expectation of the running test.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "exchange/bill_exchange.h"
#include "frame/schema_folder.h"
#include "frame/xml_bridge.h"
#include "platform/db/sqlite_connection.h"
#include "support/demo_account.h"
#include "values/value_dictionary.h"
#include "values/value_vector.h"
#include "values/variant.h"

namespace corvane::testing {

// The schema file of the documents whose root is `root`.
inline std::string SchemaFileOf(const std::string& root) {
  return ThisThreadSchemaFolder() + root + ".xsd";
}

// The key record of a reference: its Number and Name, and its UUID when one
// is given.
inline ValueDictionaryPtr Key(const std::string& number, const std::string& name = "",
                              const std::string& uuid = "") {
  auto k = ValueDictionary::Create();
  if (!uuid.empty()) k->SetValue("UUID", Variant(uuid));
  k->SetValue("Number", Variant(number));
  k->SetValue("Name", Variant(name));
  return k;
}

// The entry list "Entry" of a document record, and its entry at `position`
// (from 1).
inline ValueVectorPtr EntriesOf(const ValueDictionary& document) {
  return document.Value("Entry").ObjectAs<ValueVector>();
}
inline ValueDictionaryPtr EntryOf(const ValueDictionary& document, int32_t position) {
  return EntriesOf(document)->Item(position).ObjectAs<ValueDictionary>();
}

// One Export call: its answer and its arguments after the call; on success
// the records read back from the XML and their BillNo in page order.
struct ExportPage {
  bool ok = false;
  std::string xml, timestamp, max_timestamp, error;
  std::vector<std::string> bill_numbers;
  ValueVectorPtr records;
};

// One Import call: its answer, its error text and every Progress event
// (current, total, succeeded, message) in order.
struct ImportResult {
  bool ok = false;
  std::string error;
  std::vector<std::tuple<int32_t, int32_t, bool, std::string>> progress;
};

// Imports `xml` into `account`, recording Progress; the handler is detached
// again before the answer returns.
inline ImportResult ImportXml(BillExchange& cls, const DemoAccount& account,
                              const std::string& xml) {
  ImportResult r;
  cls.SetProgressHandler([&](int32_t cur, int32_t total, bool ok, const std::string& msg) {
    r.progress.emplace_back(cur, total, ok, msg);
  });
  std::string props = account.PropsString();
  r.ok = cls.Import(props, xml, r.error);
  cls.SetProgressHandler(nullptr);
  return r;
}

// The messages of the documents an import refused, in order.
inline std::vector<std::string> RefusedIn(const ImportResult& result) {
  std::vector<std::string> refused;
  for (const auto& [cur, total, ok, msg] : result.progress)
    if (!ok) refused.push_back(msg);
  return refused;
}

// Exports every document of the class's kind from `account` in one page,
// from the beginning.
inline bool ExportAll(BillExchange& cls, const DemoAccount& account, std::string& xml,
                      std::string& error) {
  std::string props = account.PropsString(), timestamp, max_timestamp;
  return cls.Export(props, xml, 0, timestamp, max_timestamp, error);
}

// Exports every document of `exporter`'s kind from `source` in one page and
// imports it into `target` with `importer`, which goes on past the documents
// it refuses (ImportErrorIgnore). A failed export fails the running test and
// answers a failed result with the export's error.
inline ImportResult CopyDocuments(BillExchange& exporter, const DemoAccount& source,
                                  BillExchange& importer, const DemoAccount& target) {
  std::string xml, error;
  const bool exported = ExportAll(exporter, source, xml, error);
  EXPECT_TRUE(exported) << error;
  if (!exported) return ImportResult{false, error, {}};
  importer.SetImportErrorIgnore(true);
  return ImportXml(importer, target, xml);
}

// `sql` answers at least `min_rows` rows on `source`, and the same rows on
// `target`.
inline void ExpectSameRows(const DemoAccount& source, const DemoAccount& target,
                           const std::string& sql, size_t min_rows) {
  SCOPED_TRACE(sql);
  const auto before = RowsOf(source, sql);
  ASSERT_GE(before.size(), min_rows);
  EXPECT_EQ(RowsOf(target, sql), before);
}

// The real connection component, remembering every statement, those run as
// read-only queries, and every object alive, so that a test can see what
// ran, how, and what was left open. The lists are the test's to clear.
class WatchedConnection : public db::SqliteConnection {
 public:
  WatchedConnection() { made.push_back(this); }
  ~WatchedConnection() override { std::erase(made, this); }
  RecordSetPtr GetAnyRecordSet(std::string_view sql) override {
    statements.push_back(std::string(sql));
    log.push_back({ConnString(), std::string(sql), false});
    return db::SqliteConnection::GetAnyRecordSet(sql);
  }
  RecordSetPtr QueryReadOnly(std::string_view sql) override {
    statements.push_back(std::string(sql));
    read_only.push_back(std::string(sql));
    log.push_back({ConnString(), std::string(sql), true});
    return db::SqliteConnection::QueryReadOnly(sql);
  }

  // Whether `sql` was sent, and whether it ran as a read-only query.
  static bool Sent(const std::string& sql) { return Holds(statements, sql); }
  static bool SentReadOnly(const std::string& sql) { return Holds(read_only, sql); }

  // Every statement with the connection string it went to, in order.
  struct Statement {
    std::string conn_string, sql;
    bool read_only;
  };

  static inline std::vector<std::string> statements;
  static inline std::vector<std::string> read_only;
  static inline std::vector<Statement> log;
  static inline std::vector<WatchedConnection*> made;

 private:
  static bool Holds(const std::vector<std::string>& list, const std::string& sql) {
    return std::find(list.begin(), list.end(), sql) != list.end();
  }
};

// The fixture of an exchange class whose documents have the root `root`.
class ExchangeTest : public DemoAccountTest {
 protected:
  using Page = ExportPage;
  using Result = ImportResult;

  explicit ExchangeTest(std::string root, erpdb::DemoOptions options = DemoAccount::Small())
      : DemoAccountTest(options), root_(std::move(root)) {}

  std::string SchemaFile() const { return SchemaFileOf(root_); }

  // One Export call on the fixture's account from `timestamp` (through the
  // property string `props` when given).
  Page Export(BillExchange& cls, int32_t per_count, std::string timestamp,
              std::string props = {}) {
    Page p;
    p.timestamp = std::move(timestamp);
    if (props.empty()) props = account_.PropsString();
    p.ok = cls.Export(props, p.xml, per_count, p.timestamp, p.max_timestamp, p.error);
    if (p.ok) {
      std::string error;
      EXPECT_TRUE(ReadXMLDocument(p.records, p.xml, SchemaFile(), root_, error)) << error;
      for (const Variant& r : *p.records)
        p.bill_numbers.push_back(CStr(r.ObjectAs<ValueDictionary>()->Value("BillNo")));
    }
    return p;
  }
  // The record of the page with that BillNo, or nullptr.
  ValueDictionaryPtr Find(const Page& p, const std::string& bill_no) {
    for (const Variant& r : *p.records) {
      auto d = r.ObjectAs<ValueDictionary>();
      if (CStr(d->Value("BillNo")) == bill_no) return d;
    }
    return nullptr;
  }

  // Imports `documents` as one document of the fixture's root.
  Result Import(BillExchange& cls, const std::vector<ValueDictionaryPtr>& documents) {
    auto docs = ValueVector::Create();
    for (const auto& d : documents) docs->Add(Variant(d));
    std::string xml, error;
    EXPECT_TRUE(WriteXMLDocument(docs, xml, SchemaFile(), root_, error)) << error;
    return ImportXml(cls, account_, xml);
  }

  // The number of the item of class `item_class` at `nth` (from 0) in ID
  // order.
  std::string NumberOfClass(int item_class, int nth = 0) {
    return One("SELECT FNumber FROM t_Item WHERE FItemClassID=" + std::to_string(item_class) +
               " ORDER BY FItemID LIMIT 1 OFFSET " + std::to_string(nth));
  }

  const std::string root_;
};

}  // namespace corvane::testing
