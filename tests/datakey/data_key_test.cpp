#include "datakey/cls_data_key.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "frame/schema_folder.h"
#include "frame/xml_bridge.h"
#include "support/account_file.h"
#include "support/demo_account.h"
#include "support/faulty_connection.h"
#include "values/value_dictionary.h"

namespace corvane {
namespace {

using testing::AccountFile;
using testing::DemoAccount;
using testing::DemoAccountTest;
using testing::OneOf;

struct Page {
  bool ok = false;
  std::string xml, timestamp, max_timestamp, error;
  std::vector<std::pair<std::string, std::string>> records;  // (Remark, UUID)
};

class DataKeyTest : public DemoAccountTest {
 protected:
  void SetUp() override {
    // The demo account's own deletions are replaced by known ones.
    Exec("DELETE FROM COM_DataChange");
  }
  void Exec(const std::string& sql) { AccountFile::ExecOn(account_.path(), sql); }
  // A change-log row; its row version is given by the database.
  void Log(int flag, int type, int if_delete, const std::string& uuid) {
    Exec("INSERT INTO COM_DataChange (FSystemFlag, FType, FIfDelete, FChangedUUID) VALUES (" +
         std::to_string(flag) + "," + std::to_string(type) + "," + std::to_string(if_delete) + ",'" +
         uuid + "')");
  }

  Page Export(clsDataKey& keys, int32_t bill_type, int32_t per_count, std::string timestamp) {
    Page p;
    p.timestamp = std::move(timestamp);
    p.ok = keys.ExportXMLDataKey(account_.PropsString(), bill_type, p.xml, per_count, p.timestamp,
                                 p.max_timestamp, p.error);
    if (!p.ok) return p;
    ValueVectorPtr docs;
    std::string error;
    EXPECT_TRUE(ReadXMLDocument(docs, p.xml, ThisThreadSchemaFolder() + "Delete.xsd", "Delete", error))
        << error;
    for (const Variant& v : *docs) {
      auto d = v.ObjectAs<ValueDictionary>();
      p.records.emplace_back(CStr(d->Value("Remark")), CStr(d->Value("UUID")));
    }
    return p;
  }
  std::vector<std::string> Uuids(const Page& p) {
    std::vector<std::string> out;
    for (const auto& r : p.records) out.push_back(r.second);
    return out;
  }
};

TEST_F(DataKeyTest, PagesWalkTheOldestDeletionsOfTheKindFirst) {
  for (int i = 1; i <= 7; ++i) {
    Log(1, 81, 1, "SO-" + std::to_string(i));
    Log(2, 81, 1, "SO-" + std::to_string(i));
    Log(1, 86, 1, "OTHER-KIND-" + std::to_string(i));
    Log(1, 81, 0, "CHANGED-NOT-DELETED-" + std::to_string(i));
  }
  clsDataKey keys;
  std::vector<std::string> seen;
  std::string ts;  // omitted: from the beginning
  for (int pages = 0;; ++pages) {
    ASSERT_LT(pages, 10);
    Page p = Export(keys, 1, 3, ts);
    ASSERT_TRUE(p.ok) << p.error;
    if (p.records.empty()) {
      EXPECT_EQ(p.timestamp, "0x0000000000000000");
      break;
    }
    EXPECT_LE(p.records.size(), 3u);
    for (const auto& [remark, uuid] : p.records) EXPECT_EQ(remark, "销售订单");
    const auto uuids = Uuids(p);
    seen.insert(seen.end(), uuids.begin(), uuids.end());
    ts = p.timestamp;
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"SO-1", "SO-2", "SO-3", "SO-4", "SO-5", "SO-6", "SO-7"}));
}

TEST_F(DataKeyTest, ADeletionCommittedWhileAPageIsReadComesInTheNextPage) {
  Log(1, 81, 1, "SO-1");
  Log(1, 81, 1, "SO-2");
  clsDataKey keys;
  Page first;
  {
    // Another user deletes an order right after the page was read: its key
    // falls inside the page's window (the page is not full) but was not read.
    testing::ScopedFaultyConnections faults;
    bool deleted = false;
    faults.plan.after = [&](int, std::string_view sql) {
      if (deleted || sql.find("FSystemFlag=1") == std::string_view::npos) return;
      deleted = true;
      Log(1, 81, 1, "SO-3");
    };
    first = Export(keys, 1, 5, "");
    ASSERT_TRUE(deleted);
  }
  ASSERT_TRUE(first.ok) << first.error;
  EXPECT_EQ(Uuids(first), (std::vector<std::string>{"SO-1", "SO-2"}));
  const Page next = Export(keys, 1, 5, first.timestamp);
  ASSERT_TRUE(next.ok) << next.error;
  EXPECT_EQ(Uuids(next), (std::vector<std::string>{"SO-3"}));
}

TEST_F(DataKeyTest, PagesFollowTheRowVersionNotTheOrderOfInsertion) {
  for (const char* uuid : {"K-A", "K-B", "K-C", "K-D", "K-E"}) Log(1, 81, 1, uuid);
  // Touched later, A and C now carry the newest row versions.
  Exec("UPDATE COM_DataChange SET FChangedUUID=FChangedUUID WHERE FChangedUUID IN ('K-C', 'K-A')");
  clsDataKey keys;
  std::vector<std::string> seen;
  std::string ts;
  for (int pages = 0;; ++pages) {
    ASSERT_LT(pages, 5);
    const Page p = Export(keys, 1, 2, ts);
    ASSERT_TRUE(p.ok) << p.error;
    if (p.records.empty()) break;
    const auto uuids = Uuids(p);
    seen.insert(seen.end(), uuids.begin(), uuids.end());
    ts = p.timestamp;
  }
  const std::vector<std::string> by_row_version =
      Column("SELECT FChangedUUID FROM COM_DataChange WHERE FSystemFlag=1 ORDER BY FTimeStamp");
  EXPECT_EQ(by_row_version.back(), "K-C");  // the update really moved the row versions
  EXPECT_EQ(seen, by_row_version);
}

TEST_F(DataKeyTest, AllInOnePageAndTheMaximumOfTheSecondFlag) {
  Log(1, 80, 1, "SPECIAL-1");
  Log(1, 86, 1, "ORDINARY-1");
  Log(2, 86, 1, "ORDINARY-1");
  clsDataKey keys;
  Page special = Export(keys, 2, 0, "");
  ASSERT_TRUE(special.ok) << special.error;
  EXPECT_EQ(special.records, (std::vector<std::pair<std::string, std::string>>{
                                 {"销售发票(专用)", "SPECIAL-1"}}));
  EXPECT_EQ(special.max_timestamp, "0x0000000000000000");  // no row of flag 2 for 80
  Page ordinary = Export(keys, 3, 0, "");
  ASSERT_TRUE(ordinary.ok) << ordinary.error;
  EXPECT_EQ(Uuids(ordinary), std::vector<std::string>{"ORDINARY-1"});
  // The maximum is the flag-2 row, newer than the page's flag-1 row.
  EXPECT_GT(ordinary.max_timestamp, ordinary.timestamp);
  EXPECT_EQ(ordinary.max_timestamp.size(), 18u);
}

TEST_F(DataKeyTest, AnUnknownBillTypeKeepsThePreviousKind) {
  Log(1, 81, 1, "SO-1");
  Log(1, 0, 1, "KIND-ZERO");
  clsDataKey fresh;
  Page zero = Export(fresh, 6, 0, "");
  ASSERT_TRUE(zero.ok) << zero.error;
  EXPECT_EQ(zero.records, (std::vector<std::pair<std::string, std::string>>{{"未知类别", "KIND-ZERO"}}));
  clsDataKey used;
  ASSERT_TRUE(Export(used, 1, 0, "").ok);
  Page again = Export(used, 0, 0, "");
  EXPECT_EQ(Uuids(again), std::vector<std::string>{"SO-1"});
  EXPECT_EQ(used.kind_code(), 81);
}

TEST_F(DataKeyTest, MalformedCursorsFailBeforeAnySql) {
  clsDataKey keys;
  for (const char* ts : {"0x0) OR (1=1", "12", "0xZZ"}) {
    SCOPED_TRACE(ts);
    Page p = Export(keys, 1, 10, ts);
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(p.error.rfind("错误号:5\r\n", 0), 0u) << p.error;
    EXPECT_EQ(p.timestamp, ts);
  }
  Page negative = Export(keys, 1, -1, "");
  EXPECT_FALSE(negative.ok);
  Page refused;
  refused.timestamp = "0x01";
  std::string xml = "x";
  EXPECT_FALSE(keys.ExportXMLDataKey(account_.PropsString(16397), 1, xml, 10, refused.timestamp,
                                     refused.max_timestamp, refused.error));
  EXPECT_EQ(refused.error, "当前连接用户没有授权通过 WebServices 进行数据处理!");
  EXPECT_EQ(refused.timestamp, "0x01");
  EXPECT_EQ(xml, "x");
}

class DataKeyImportTest : public DataKeyTest {
 protected:
  // A sales order that came from the CRM (import marks set), with one entry.
  void ImportedOrder(int id, const std::string& uuid, bool marks = true) {
    Exec("INSERT INTO SEOrder (FInterID, FTranType, FBillNo, FUUID, FImport, FSystemType, FStatus) "
         "VALUES (" + std::to_string(id) + ", 81, 'DK-" + std::to_string(id) + "', '" + uuid + "', " +
         (marks ? "1, 2" : "0, 1") + ", 0)");
    Exec("INSERT INTO SEOrderEntry (FInterID, FEntryID, FItemID) VALUES (" + std::to_string(id) +
         ", 1, 4001)");
  }
  std::string DeleteXml(const std::vector<std::string>& uuids) {
    auto docs = ValueVector::Create();
    for (const std::string& u : uuids) {
      auto d = ValueDictionary::Create();
      d->SetValue("Remark", Variant("销售订单"));
      d->SetValue("UUID", Variant(u));
      docs->Add(Variant(d));
    }
    std::string xml, error;
    EXPECT_TRUE(WriteXMLDocument(docs, xml, ThisThreadSchemaFolder() + "Delete.xsd", "Delete", error))
        << error;
    return xml;
  }
  bool Import(clsDataKey& keys, int32_t bill_type, const std::vector<std::string>& uuids,
              std::string& error) {
    std::string props = account_.PropsString();
    return keys.ImportXMLDataKey(props, bill_type, DeleteXml(uuids), error);
  }
  int Orders(const std::string& where) {
    return std::stoi(One("SELECT COUNT(*) FROM SEOrder WHERE " + where));
  }
};

TEST_F(DataKeyImportTest, AnEmptyDocumentDeletesNothing) {
  clsDataKey keys;
  std::string error;
  EXPECT_TRUE(Import(keys, 1, {}, error)) << error;
}

TEST_F(DataKeyImportTest, TheFirstUnknownUuidEndsTheCall) {
  ImportedOrder(9001, "CRM-A");
  ImportedOrder(9003, "CRM-C");
  clsDataKey keys;
  std::string error;
  EXPECT_FALSE(Import(keys, 1, {"CRM-A", "CRM-UNKNOWN", "CRM-C"}, error));
  EXPECT_EQ(error, "错误号:-2147221304\r\n错误源:Corvane.clsDataKey\r\n错误描述:找不到单据信息!");
  EXPECT_EQ(Orders("FUUID='CRM-A'"), 0);  // deleted before the failure
  EXPECT_EQ(Orders("FUUID='CRM-C'"), 1);  // never reached
  EXPECT_EQ(One("SELECT COUNT(*) FROM SEOrderEntry WHERE FInterID=9001"), "0");
}

TEST_F(DataKeyImportTest, OnlyDocumentsFromTheCrmAreCandidates) {
  ImportedOrder(9001, "ERP-OWN", /*marks=*/false);
  clsDataKey keys;
  std::string error;
  EXPECT_FALSE(Import(keys, 1, {"ERP-OWN"}, error));
  EXPECT_NE(error.find("找不到单据信息!"), std::string::npos) << error;
  EXPECT_EQ(Orders("FUUID='ERP-OWN'"), 1);
}

TEST_F(DataKeyImportTest, ABlankUuidFindsNothing) {
  ImportedOrder(9001, "");  // a CRM document without a UUID must not be found by ""
  clsDataKey keys;
  std::string error;
  EXPECT_FALSE(Import(keys, 1, {"  "}, error));
  EXPECT_NE(error.find("找不到单据信息!"), std::string::npos) << error;
  EXPECT_EQ(Orders("FInterID=9001"), 1);
}

TEST_F(DataKeyImportTest, EitherInvoiceKindIsDeletedThroughTheKindThatNamesIt) {
  Exec("INSERT INTO ICSale (FInterID, FTranType, FBillNo, FUUID, FImport, FSystemType, FStatus) "
       "VALUES (9201, 80, 'SIV-DK', 'CRM-SIV', 1, 2, 0), (9202, 86, 'SIO-DK', 'CRM-SIO', 1, 2, 0)");
  Exec("INSERT INTO ICSaleEntry (FInterID, FEntryID, FItemID) VALUES (9201, 1, 4001), (9202, 1, 4001)");
  const struct {
    int32_t bill_type;
    const char* uuid;
    int id;
  } cases[] = {{2, "CRM-SIV", 9201}, {3, "CRM-SIO", 9202}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.uuid);
    clsDataKey keys;
    std::string error;
    EXPECT_TRUE(Import(keys, c.bill_type, {c.uuid}, error)) << error;
    EXPECT_EQ(One("SELECT COUNT(*) FROM ICSale WHERE FInterID=" + std::to_string(c.id)), "0");
    EXPECT_EQ(One("SELECT COUNT(*) FROM ICSaleEntry WHERE FInterID=" + std::to_string(c.id)), "0");
  }
}

TEST_F(DataKeyImportTest, KindsThatCannotBeDeleted) {
  clsDataKey fresh;
  std::string error;
  EXPECT_FALSE(Import(fresh, 0, {"X"}, error));
  EXPECT_EQ(error,
            "错误号:-2147221304\r\n错误源:Corvane.clsDataKey\r\n错误描述:不支持不识别删除关键字的导入导出!");
  // A stock bill is found but the deletion service does not take stock bills.
  Exec("INSERT INTO ICStockBill (FInterID, FTranType, FBillNo, FUUID, FImport, FSystemType) "
       "VALUES (9101, 21, 'SD-DK', 'CRM-SD', 1, 2)");
  clsDataKey keys;
  EXPECT_FALSE(Import(keys, 5, {"CRM-SD"}, error));
  EXPECT_NE(error.find("单据不存在！"), std::string::npos) << error;
  EXPECT_EQ(One("SELECT COUNT(*) FROM ICStockBill WHERE FInterID=9101"), "1");
}

TEST(DataKeyRoundTrip, DeletionsInOneAccountReachAnother) {
  // Orders deleted in the ERP are exported as keys and delete the CRM's
  // imported copies in a second account.
  DemoAccount erp;
  DemoAccount crm_copy(DemoAccount::BaseOnly());
  clsDataKey keys;
  std::string xml, ts, max, error;
  ASSERT_TRUE(keys.ExportXMLDataKey(erp.PropsString(), 1, xml, 0, ts, max, error)) << error;
  ValueVectorPtr docs;
  ASSERT_TRUE(ReadXMLDocument(docs, xml, ThisThreadSchemaFolder() + "Delete.xsd", "Delete", error));
  ASSERT_GT(docs->Count(), 0);
  int n = 0;
  for (const Variant& v : *docs) {
    const std::string uuid = CStr(v.ObjectAs<ValueDictionary>()->Value("UUID"));
    ++n;
    AccountFile::ExecOn(crm_copy.path(),
                        "INSERT INTO SEOrder (FInterID, FTranType, FBillNo, FUUID, FImport, FSystemType, "
                        "FStatus) VALUES (" + std::to_string(7000 + n) + ", 81, 'COPY-" +
                            std::to_string(n) + "', '" + uuid + "', 1, 2, 0)");
  }
  std::string props = crm_copy.PropsString();
  ASSERT_TRUE(keys.ImportXMLDataKey(props, 1, xml, error)) << error;
  EXPECT_EQ(OneOf(crm_copy, "SELECT COUNT(*) FROM SEOrder WHERE FInterID > 7000"), "0");
}

}  // namespace
}  // namespace corvane
