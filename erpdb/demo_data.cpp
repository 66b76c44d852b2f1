#include "erpdb/demo_data.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <stdio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "erpdb/account_db.h"
#include "erpdb/sql_functions.h"

namespace corvane::erpdb {
namespace {

// ---------------------------------------------------------------------------------------------
// Small tools: the random source, dates, money
// ---------------------------------------------------------------------------------------------

// splitmix64: tiny, fast, and the same sequence on every platform for a given seed.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}

  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }

  // A number in [low, high].
  int Between(int low, int high) {
    return low + static_cast<int>(Next() % static_cast<uint64_t>(high - low + 1));
  }

  bool Percent(int percent) { return Between(0, 99) < percent; }

  template <typename T>
  const T& Pick(const std::vector<T>& values) {
    return values[Next() % values.size()];
  }

  // A version-4 GUID as upper-case text, like NEWID() gives, but from this sequence.
  std::string Guid() {
    unsigned char bytes[16];
    const uint64_t high = Next();
    const uint64_t low = Next();
    for (int i = 0; i < 8; ++i) {
      bytes[i] = static_cast<unsigned char>(high >> (56 - 8 * i));
      bytes[8 + i] = static_cast<unsigned char>(low >> (56 - 8 * i));
    }
    return GuidText(bytes);
  }

 private:
  uint64_t state_;
};

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian calendar).
constexpr int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto year_of_era = static_cast<unsigned>(year - era * 400);
  const unsigned day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + static_cast<int64_t>(day_of_era) - 719468;
}

struct CivilDate {
  int year;
  unsigned month;
  unsigned day;
};

CivilDate CivilFromDays(int64_t days) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto day_of_era = static_cast<unsigned>(days - era * 146097);
  const unsigned year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const unsigned day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const unsigned mp = (5 * day_of_year + 2) / 153;
  const unsigned day = day_of_year - (153 * mp + 2) / 5 + 1;
  const unsigned month = mp < 10 ? mp + 3 : mp - 9;
  const int64_t year = static_cast<int64_t>(year_of_era) + era * 400 + (month <= 2);
  return {static_cast<int>(year), month, day};
}

// Dates are kept as days after 2024-01-01. Documents fall within the first two and a half
// years, so that every date derived from them (advised delivery, shelf life) stays in 2026.
constexpr int64_t kFirstDay = DaysFromCivil(2024, 1, 1);
constexpr int kLastDay = static_cast<int>(DaysFromCivil(2026, 12, 31) - kFirstDay);
constexpr int kLastDocumentDay = static_cast<int>(DaysFromCivil(2026, 6, 30) - kFirstDay);

// A DATETIME value as the server gives it back: "yyyy-mm-dd 00:00:00.000".
std::string DateText(int day) {
  const CivilDate date = CivilFromDays(kFirstDay + std::min(day, kLastDay));
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u 00:00:00.000", date.year, date.month, date.day);
  return text;
}

// A batch number made from a day: "B240105-07".
std::string BatchText(int day, int serial) {
  const CivilDate date = CivilFromDays(kFirstDay + std::min(day, kLastDay));
  char text[32];
  std::snprintf(text, sizeof text, "B%02d%02u%02u-%02d", date.year % 100, date.month, date.day,
                serial % 100);
  return text;
}

// n / divisor rounded to the nearest integer, halves away from zero (as "#,##0.00" rounds).
int64_t RoundDiv(int64_t n, int64_t divisor) {
  return n >= 0 ? (n + divisor / 2) / divisor : -((-n + divisor / 2) / divisor);
}

// Amounts are computed in integer cents (or finer fixed units) and stored as the nearest
// double of the decimal value, so that every platform stores the same numbers.
double Cents(int64_t cents) { return static_cast<double>(cents) / 100.0; }
double TenThousandths(int64_t units) { return static_cast<double>(units) / 10000.0; }

// ---------------------------------------------------------------------------------------------
// Statements
// ---------------------------------------------------------------------------------------------

[[noreturn]] void Fail(sqlite3* db, std::string_view what) {
  const char* message = db != nullptr ? sqlite3_errmsg(db) : "no database connection";
  throw std::runtime_error("cannot fill the demo account: " + std::string(what) + ": " +
                           (message != nullptr ? message : "unknown error"));
}

void Exec(sqlite3* db, const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK) return;
  const std::string text = message != nullptr ? message : sqlite3_errmsg(db);
  sqlite3_free(message);
  throw std::runtime_error("cannot fill the demo account: " + text + " (in: " + sql + ")");
}

// A NULL to bind.
struct Null {};

// One prepared statement, run again and again with new values; binds by position.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) : db_(db), sql_(sql) {
    if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) Fail(db, sql_);
  }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  ~Statement() { sqlite3_finalize(stmt_); }

  // Binds the values to ?1, ?2, ... and runs the statement once, which must not return rows.
  template <typename... Values>
  void Run(const Values&... values) {
    if (sqlite3_bind_parameter_count(stmt_) != static_cast<int>(sizeof...(Values))) {
      throw std::logic_error("demo data: wrong number of values for: " + sql_);
    }
    int index = 0;
    (Bind(++index, values), ...);
    const int rc = sqlite3_step(stmt_);
    if (rc != SQLITE_DONE) {
      const std::string message = sqlite3_errmsg(db_);
      sqlite3_reset(stmt_);
      throw std::runtime_error("cannot fill the demo account: " + message + " (in: " + sql_ + ")");
    }
    sqlite3_reset(stmt_);
  }

  // Runs a query that gives one integer.
  int64_t QueryInt() {
    const int rc = sqlite3_step(stmt_);
    if (rc != SQLITE_ROW) {
      sqlite3_reset(stmt_);
      Fail(db_, sql_);
    }
    const int64_t value = sqlite3_column_int64(stmt_, 0);
    sqlite3_reset(stmt_);
    return value;
  }

  sqlite3_stmt* get() { return stmt_; }

 private:
  void Check(int rc) {
    if (rc != SQLITE_OK) Fail(db_, sql_);
  }
  void Bind(int index, int value) { Check(sqlite3_bind_int(stmt_, index, value)); }
  void Bind(int index, int64_t value) { Check(sqlite3_bind_int64(stmt_, index, value)); }
  void Bind(int index, double value) { Check(sqlite3_bind_double(stmt_, index, value)); }
  void Bind(int index, Null) { Check(sqlite3_bind_null(stmt_, index)); }
  void Bind(int index, const std::string& value) {
    Check(sqlite3_bind_text(stmt_, index, value.data(), static_cast<int>(value.size()),
                            SQLITE_TRANSIENT));
  }
  void Bind(int index, const char* value) {
    Check(sqlite3_bind_text(stmt_, index, value, -1, SQLITE_TRANSIENT));
  }
  template <typename T>
  void Bind(int index, const std::optional<T>& value) {
    if (value) {
      Bind(index, *value);
    } else {
      Bind(index, Null{});
    }
  }

  sqlite3* db_;
  std::string sql_;
  sqlite3_stmt* stmt_ = nullptr;
};

int64_t QueryInt(sqlite3* db, const std::string& sql) {
  Statement statement(db, sql.c_str());
  return statement.QueryInt();
}

// ---------------------------------------------------------------------------------------------
// Base data
// ---------------------------------------------------------------------------------------------

constexpr int kAdministrator = 16394;
constexpr int kWebServiceUser = 16396;
constexpr int kSaleStyleType = 101;
constexpr int kSaleStyleCredit = 101;

struct Material {
  int id;
  int unit_id;
  int64_t price_cents;  // list price without tax
};

struct Currency {
  int id;
  double rate;
  int64_t rate_units;  // the rate in ten-thousandths
};

struct Contract {
  int id;
  std::string number;
};

// What the documents refer to.
struct BaseData {
  std::vector<int> customers;  // those documents use (the customer without terms is left out)
  std::vector<int> carrying_days_by_customer_index;  // 0 where Null
  int oneil_index = 0;  // index of the customer "O'Neil" in `customers`
  std::vector<int> departments;
  std::vector<int> employees;
  std::vector<Material> materials;
  std::vector<int> warehouses;
  std::vector<std::vector<int>> places_by_warehouse_index;
  std::vector<int> suppliers;
  std::vector<int> branches;
  std::vector<Currency> currencies;  // RMB first
  std::vector<int> sale_styles;
  std::vector<int> settle_styles;
  std::vector<int> purchase_styles;
  std::vector<Contract> contracts;
  std::vector<int> billers;
};

// Base data in fixed amounts; IDs of t_Item start a block per item class.
constexpr int kCustomerIdBase = 1000;
constexpr int kDepartmentIdBase = 2000;
constexpr int kEmployeeIdBase = 3000;
constexpr int kMaterialIdBase = 4000;
constexpr int kWarehouseIdBase = 5000;
constexpr int kSupplierIdBase = 8000;
constexpr int kBranchIdBase = 10000;

constexpr int kMaterialCount = 40;
constexpr int kPlacesPerWarehouse = 3;

std::string Numbered(const char* prefix, int number, int digits) {
  char text[64];
  std::snprintf(text, sizeof text, "%s%0*d", prefix, digits, number);
  return text;
}

void MakeUsers(sqlite3* db, Random& random, BaseData& base) {
  struct User {
    int id;
    const char* name;
    int forbidden;
  };
  static const User kUsers[] = {{kAdministrator, "administrator", 0},
                                {16395, "forbidden", 1},
                                {kWebServiceUser, "webservice", 0},
                                {16397, "nobody", 0},
                                {16398, "clerk1", 0},
                                {16399, "clerk2", 0},
                                {16400, "clerk3", 0}};
  Statement user(db, "INSERT INTO t_User (FUserID, FName, FForbidden, UUID) VALUES (?, ?, ?, ?)");
  for (const User& u : kUsers) user.Run(u.id, u.name, u.forbidden, random.Guid());

  Statement group(db, "INSERT INTO t_Group (FUserID, FGroupID) VALUES (?, ?)");
  group.Run(kAdministrator, 1);
  group.Run(16395, 1);
  for (int clerk = 16398; clerk <= 16400; ++clerk) group.Run(clerk, 2);

  // Object type 16 is the web-service interface; only its first row per user counts.
  Statement right(
      db, "INSERT INTO t_AccessControl (FUserID, FObjectType, FAccessMask) VALUES (?, ?, ?)");
  right.Run(kAdministrator, 16, 255);
  right.Run(16395, 16, 255);
  right.Run(kWebServiceUser, 16, 1);
  right.Run(16397, 16, 0);
  right.Run(16397, 4, 255);  // a right, but not to the web-service interface

  base.billers = {kAdministrator, kWebServiceUser};
}

void MakeItemTree(sqlite3* db, Random& random, BaseData& base) {
  Statement item(db,
                 "INSERT INTO t_Item (FItemID, FItemClassID, FNumber, FName, UUID) "
                 "VALUES (?, ?, ?, ?, ?)");
  Statement terms(db, "INSERT INTO t_Organization (FItemID, FCarryingAOS) VALUES (?, ?)");

  // Customers (class 1): 24 companies, "O'Neil", and one without terms that no document uses.
  static const char* const kRegions[] = {"华东", "华北", "华南", "西南",
                                         "东北", "长江", "珠江", "黄河"};
  static const char* const kTrades[] = {"机电贸易有限公司", "重工设备有限公司", "电子科技有限公司"};
  int customer_id = kCustomerIdBase;
  for (int i = 0; i < 24; ++i) {
    ++customer_id;
    item.Run(customer_id, 1, Numbered("C", i + 1, 3), std::string(kRegions[i % 8]) + kTrades[i / 8],
             random.Guid());
    std::optional<int> days;
    if (i % 5 != 3) days = random.Between(0, 30);
    terms.Run(customer_id, days);
    base.customers.push_back(customer_id);
    base.carrying_days_by_customer_index.push_back(days.value_or(0));
  }
  ++customer_id;
  item.Run(customer_id, 1, "O'Neil", "O'Neil Trading Co.", random.Guid());
  terms.Run(customer_id, 14);
  base.oneil_index = static_cast<int>(base.customers.size());
  base.customers.push_back(customer_id);
  base.carrying_days_by_customer_index.push_back(14);
  ++customer_id;
  item.Run(customer_id, 1, "C025", "散户（无账期）", random.Guid());

  // Departments (class 2).
  static const char* const kDepartments[] = {"销售一部", "销售二部", "销售三部",
                                             "市场部",   "仓储部",   "采购部"};
  for (int i = 0; i < 6; ++i) {
    const int id = kDepartmentIdBase + 1 + i;
    item.Run(id, 2, Numbered("D", i + 1, 2), kDepartments[i], random.Guid());
    base.departments.push_back(id);
  }

  // Employees (class 3).
  static const char* const kSurnames[] = {"张", "王", "李", "赵", "刘",
                                          "陈", "杨", "黄", "周", "吴"};
  static const char* const kGivenNames[] = {"伟", "芳"};
  for (int i = 0; i < 20; ++i) {
    const int id = kEmployeeIdBase + 1 + i;
    item.Run(id, 3, Numbered("E", i + 1, 3), std::string(kSurnames[i % 10]) + kGivenNames[i / 10],
             random.Guid());
    base.employees.push_back(id);
  }

  // Materials (class 4) with their material master rows; units by a fixed pattern.
  static const char* const kKinds[] = {"深沟球轴承", "直齿轮",   "三相异步电机", "球阀",
                                       "压力传感器", "六角螺栓", "平焊法兰",     "O形密封圈"};
  static const char* const kModels[] = {"6204-2RS", "M2-40T", "Y2-132S", "Q41F-16C",
                                        "PT-100",   "M12x50", "PL-DN50", "OR-30x3"};
  static const int kUnits[] = {1, 2, 3, 4, 5, 1, 6, 7, 1, 8};
  Statement ic_item(db,
                    "INSERT INTO t_ICItem (FItemID, FNumber, FName, FModel, FUnitID, FLowLimit, "
                    "FHighLimit, FSecInv) VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
  for (int i = 0; i < kMaterialCount; ++i) {
    const int id = kMaterialIdBase + 1 + i;
    const std::string number = Numbered("M", i + 1, 4);
    const std::string name =
        std::string(kKinds[i % 8]) + " " + static_cast<char>('A' + i / 8) + "型";
    std::optional<std::string> uuid = random.Guid();
    if (i == kMaterialCount - 2) uuid.reset();  // "M0039": no UUID in the item tree
    item.Run(id, 4, number, name, uuid);
    std::optional<std::string> model;
    if (i % 9 != 4) model = std::string(kModels[i % 8]) + "-" + std::to_string(i / 8 + 1);
    const int unit_id = kUnits[i % 10];
    const int low = random.Between(0, 50);
    const int high = low + random.Between(100, 1000);
    const int safety = random.Between(0, low);
    ic_item.Run(id, number, name, model, unit_id, static_cast<double>(low),
                static_cast<double>(high), static_cast<double>(safety));
    const int64_t price = random.Between(100, 200000);
    base.materials.push_back({id, unit_id, price});
  }

  // Warehouses (class 5), suppliers (class 8), branches (class 10).
  static const char* const kWarehouses[] = {"成品仓", "原料仓", "半成品仓", "退货仓"};
  for (int i = 0; i < 4; ++i) {
    const int id = kWarehouseIdBase + 1 + i;
    item.Run(id, 5, Numbered("W", i + 1, 2), kWarehouses[i], random.Guid());
    base.warehouses.push_back(id);
  }
  static const char* const kMakers[] = {"宏达", "永新", "恒泰", "鑫源", "天成", "瑞丰"};
  static const char* const kMakerKinds[] = {"机械厂", "材料有限公司"};
  for (int i = 0; i < 12; ++i) {
    const int id = kSupplierIdBase + 1 + i;
    item.Run(id, 8, Numbered("S", i + 1, 3), std::string(kMakers[i % 6]) + kMakerKinds[i / 6],
             random.Guid());
    base.suppliers.push_back(id);
  }
  static const char* const kBranches[] = {"上海分公司", "广州分公司", "成都分公司"};
  for (int i = 0; i < 3; ++i) {
    const int id = kBranchIdBase + 1 + i;
    item.Run(id, 10, Numbered("B", i + 1, 2), kBranches[i], random.Guid());
    base.branches.push_back(id);
  }

  // Stock places, three in each warehouse.
  Statement place(db,
                  "INSERT INTO t_StockPlace (FSPID, FNumber, FName, FUUID) VALUES (?, ?, ?, ?)");
  int place_id = 0;
  for (int w = 0; w < 4; ++w) {
    base.places_by_warehouse_index.emplace_back();
    for (int p = 0; p < kPlacesPerWarehouse; ++p) {
      ++place_id;
      place.Run(place_id, Numbered("W", w + 1, 2) + "." + Numbered("", p + 1, 2),
                std::string(kWarehouses[w]) + static_cast<char>('A' + p) + "区", random.Guid());
      base.places_by_warehouse_index.back().push_back(place_id);
    }
  }
}

void MakeOtherBaseData(sqlite3* db, Random& random, BaseData& base) {
  Statement unit(db,
                 "INSERT INTO t_MeasureUnit (FMeasureUnitID, FNumber, FName, UUID) "
                 "VALUES (?, ?, ?, ?)");
  static const char* const kUnits[][2] = {{"PCS", "个"}, {"BOX", "箱"}, {"KG", "千克"},
                                          {"M", "米"},   {"SET", "套"}, {"PR", "双"},
                                          {"L", "升"},   {"T", "吨"}};
  for (int i = 0; i < 8; ++i) unit.Run(i + 1, kUnits[i][0], kUnits[i][1], random.Guid());

  Statement currency(
      db, "INSERT INTO t_Currency (FCurrencyID, FNumber, FName, UUID) VALUES (?, ?, ?, ?)");
  struct CurrencyRow {
    const char* number;
    const char* name;
    int64_t rate_units;
  };
  static const CurrencyRow kCurrencies[] = {{"RMB", "人民币", 10000},
                                            {"USD", "美元", 71000},
                                            {"EUR", "欧元", 78000},
                                            {"HKD", "港币", 9100}};
  for (int i = 0; i < 4; ++i) {
    currency.Run(i + 1, kCurrencies[i].number, kCurrencies[i].name, random.Guid());
    base.currencies.push_back(
        {i + 1, TenThousandths(kCurrencies[i].rate_units), kCurrencies[i].rate_units});
  }

  // Auxiliary data: sale styles (101 on), settlement styles (111 on) and purchase styles
  // (121 on). The settlement styles are repeated in t_Settle under the same IDs and names: an
  // order's FSettleID is read as an auxiliary-data entry by the bill exchange and as a t_Settle
  // row by the file-based order interface.
  Statement message(db,
                    "INSERT INTO t_SubMessage (FInterID, FTypeID, FID, FName, UUID) "
                    "VALUES (?, ?, ?, ?, ?)");
  Statement settle(db, "INSERT INTO t_Settle (FItemID, FNumber, FName) VALUES (?, ?, ?)");
  static const char* const kSaleStyles[] = {"赊销", "现销", "分期收款销售", "委托代销", "直运销售"};
  for (int i = 0; i < 5; ++i) {
    const int id = kSaleStyleCredit + i;
    message.Run(id, kSaleStyleType, Numbered("XS", i + 1, 2), kSaleStyles[i], random.Guid());
    base.sale_styles.push_back(id);
  }
  static const char* const kSettleStyles[] = {"现金", "支票", "电汇", "银行承兑汇票",
                                              "商业承兑汇票"};
  for (int i = 0; i < 5; ++i) {
    const int id = 111 + i;
    const std::string number = Numbered("JS", i + 1, 2);
    message.Run(id, kDemoSettleStyleType, number, kSettleStyles[i], random.Guid());
    settle.Run(id, number, kSettleStyles[i]);
    base.settle_styles.push_back(id);
  }
  static const char* const kPurchaseStyles[] = {"赊购", "现购", "委外加工"};
  for (int i = 0; i < 3; ++i) {
    const int id = 121 + i;
    message.Run(id, kDemoPurchaseStyleType, Numbered("CG", i + 1, 2), kPurchaseStyles[i],
                random.Guid());
    base.purchase_styles.push_back(id);
  }

  Statement contract(db,
                     "INSERT INTO t_RpContract (FContractID, FContractNo, UUID) VALUES (?, ?, ?)");
  for (int i = 0; i < 10; ++i) {
    const std::string number = Numbered("HT2024-", i + 1, 3);
    contract.Run(i + 1, number, random.Guid());
    base.contracts.push_back({i + 1, number});
  }

  // The document lists through which the ERP deletes bills.
  Statement list(db,
                 "INSERT INTO ICListTemplate (FID, FBillTemplateID, FTemplateID, FBillCls) "
                 "VALUES (?, ?, ?, ?)");
  list.Run(1, 81, 81, 10);
  list.Run(2, 80, 80, 11);
  list.Run(3, 86, 86, 12);
  list.Run(4, 1, 1, 20);
  list.Run(5, 21, 21, 21);
}

void MakeStock(sqlite3* db, Random& random, const BaseData& base) {
  Statement inventory(db,
                      "INSERT INTO ICInventory (FItemID, FBatchNo, FStockID, FStockPlaceID, FQty) "
                      "VALUES (?, ?, ?, ?, ?)");
  Statement lock(db, "INSERT INTO t_LockStock (FItemID, FQty) VALUES (?, ?)");
  const auto& places = base.places_by_warehouse_index;

  // "M0001": one batch, stock without batch kept both as Null and as '', and a second batch in
  // another warehouse; locks 10 and 5 and a release of 3.
  const int first = base.materials[0].id;
  inventory.Run(first, BatchText(random.Between(0, 365), 1), base.warehouses[0], places[0][0],
                120.0);
  inventory.Run(first, Null{}, base.warehouses[0], places[0][1], 30.0);
  inventory.Run(first, "", base.warehouses[1], places[1][0], 20.0);
  inventory.Run(first, BatchText(random.Between(0, 365), 7), base.warehouses[1], places[1][1],
                50.0);
  lock.Run(first, 10.0);
  lock.Run(first, 5.0);
  lock.Run(first, -3.0);
  // "M0002": only a release.
  lock.Run(base.materials[1].id, -4.0);

  // The others, the last material ("M0040") aside, which has no stock at all.
  for (int i = 1; i + 1 < static_cast<int>(base.materials.size()); ++i) {
    const int rows = random.Between(1, 3);
    for (int r = 0; r < rows; ++r) {
      const int w = random.Between(0, static_cast<int>(base.warehouses.size()) - 1);
      std::optional<std::string> batch;
      const int kind = random.Between(0, 9);
      if (kind == 0) {
        batch = "";
      } else if (kind > 1) {
        batch = BatchText(random.Between(0, kLastDocumentDay), random.Between(1, 20));
      }
      const int64_t whole = random.Between(1, 500);
      const int64_t half = random.Percent(20) ? 50 : 0;
      const double qty = Cents(whole * 100 + half);
      inventory.Run(base.materials[i].id, batch, base.warehouses[w], random.Pick(places[w]), qty);
    }
    if (i >= 2 && random.Percent(40)) {
      const int locks = random.Between(1, 2);
      for (int l = 0; l < locks; ++l) {
        lock.Run(base.materials[i].id, static_cast<double>(random.Between(1, 40)));
      }
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Documents
// ---------------------------------------------------------------------------------------------

// A bill-number rule of t_BillNoRule and the numbers given so far.
class BillNumbers {
 public:
  BillNumbers(sqlite3* db, int tran_type) : tran_type_(tran_type) {
    Statement rule(db, "SELECT FPrefix, FNumLength FROM t_BillNoRule WHERE FTranType = ?1");
    sqlite3_bind_int(rule.get(), 1, tran_type);
    if (sqlite3_step(rule.get()) != SQLITE_ROW) {
      throw std::runtime_error("cannot fill the demo account: no bill-number rule for type " +
                               std::to_string(tran_type));
    }
    const unsigned char* prefix = sqlite3_column_text(rule.get(), 0);
    prefix_ = prefix != nullptr ? reinterpret_cast<const char*>(prefix) : "";
    length_ = sqlite3_column_int(rule.get(), 1);
    limit_ = 1;
    for (int i = 0; i < length_ && limit_ < (int64_t{1} << 40); ++i) limit_ *= 10;
    --limit_;
  }

  int64_t limit() const { return limit_; }
  int64_t last() const { return last_; }
  int tran_type() const { return tran_type_; }

  std::string Next() {
    ++last_;
    char digits[32];
    std::snprintf(digits, sizeof digits, "%0*lld", length_, static_cast<long long>(last_));
    return prefix_ + digits;
  }

 private:
  int tran_type_;
  std::string prefix_;
  int length_ = 6;
  int64_t limit_ = 0;
  int64_t last_ = 0;
};

struct OrderLine {
  const Material* material;
  int qty;
  int64_t price_cents;
};

struct OrderMade {
  std::string bill_no;
  int customer_index;
  int day;
  int sale_style;
  std::vector<OrderLine> lines;
};

// Counts of the documents to make, derived from the options.
struct Plan {
  int orders;
  int invoices;
  int stock_bills;
  int deleted_orders;
  int deleted_invoices;
  int deleted_stock_bills;
};

int DeletedFor(int documents) { return documents == 0 ? 0 : std::max(2, documents / 20); }

Plan MakePlan(const DemoOptions& options) {
  if (options.orders < 0 || options.invoices < 0 || options.stock_bills < 0 ||
      options.entries_per_order < 0) {
    throw std::invalid_argument("demo data: counts must not be negative");
  }
  if (options.entries_per_order > 1000) {
    throw std::invalid_argument("demo data: at most 1000 entries per order on average");
  }
  Plan plan{};
  if (options.base_only) return plan;
  plan.orders = options.orders;
  plan.invoices = options.invoices;
  plan.stock_bills = options.stock_bills;
  plan.deleted_orders = DeletedFor(options.orders);
  plan.deleted_invoices = DeletedFor(options.invoices);
  plan.deleted_stock_bills = DeletedFor(options.stock_bills);
  return plan;
}

class DocumentMaker {
 public:
  DocumentMaker(sqlite3* db, Random& random, const BaseData& base)
      : db_(db),
        random_(random),
        base_(base),
        order_numbers_(db, 81),
        special_invoice_numbers_(db, 80),
        ordinary_invoice_numbers_(db, 86),
        receipt_numbers_(db, 1),
        delivery_numbers_(db, 21),
        order_head_(db,
                    "INSERT INTO SEOrder (FBrNo, FInterID, FTranType, FBillNo, FDate, FUUID, "
                    "FCustID, FCurrencyID, FExchangeRate, FDiscountType, FDeptID, FEmpID, "
                    "FMangerID, FBillerID, FFetchAdd, FSaleStyle, FSettleID, FContractID, "
                    "FStatus, FImport, FSystemType) "
                    "VALUES ('0', ?, 81, ?, ?, ?, ?, ?, ?, 0, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        order_entry_(
            db,
            "INSERT INTO SEOrderEntry (FBrNo, FInterID, FEntryID, FItemID, FUnitID, "
            "FAuxQty, FAuxPrice, FAuxTaxPrice, FAuxPriceDiscount, FUniDiscount, FTaxRate, "
            "FTaxAmount, FDiscount, FCESS, FTaxAmt, FAmount, FFinalAmount, FAllAmount, "
            "FAllStdAmount, FNote, FDate, FAdviceConsignDate, FContractInterID, "
            "FContractBillNO) VALUES ('0', ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
            "?, ?, ?, ?, ?, ?, ?)"),
        invoice_head_(
            db,
            "INSERT INTO ICSale (FBrNo, FInterID, FTranType, FBillNo, FDate, FUUID, FROB, "
            "FSaleStyle, FCustID, FCurrencyID, FExchangeRate, FDeptID, FEmpID, "
            "FBillerID, FNote, FStatus, FImport, FSystemType) "
            "VALUES ('0', ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        invoice_entry_(db,
                       "INSERT INTO ICSaleEntry (FBrNo, FInterID, FEntryID, FItemID, FUnitID, "
                       "FAuxQty, FAuxPrice, FAuxTaxPrice, FTaxRate, FDiscountRate, FAmount, "
                       "FTaxAmount) VALUES ('0', ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        stock_head_(db,
                    "INSERT INTO ICStockBill (FBrNo, FInterID, FTranType, FBillNo, FDate, FUUID, "
                    "FROB, FNote, FBillerID, FFManagerID, FPosterID, FRelateBrID, FSaleStyle, "
                    "FPOStyle, FSManagerID, FSupplyID, FCurrencyID, FDeptID, FEmpID, FStatus, "
                    "FImport, FSystemType) VALUES ('0', ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                    "?, 1, ?, ?, ?, ?, ?)"),
        stock_entry_(db,
                     "INSERT INTO ICStockBillEntry (FBrNo, FInterID, FEntryID, FItemID, FUnitID, "
                     "FAuxQty, FAuxQtyMust, FAuxQtyActual, FAuxCommitQty, FQty, FQtyMust, "
                     "FCommitQty, FPrice, FAuxPrice, FAuxPlanPrice, FAmount, FPlanAmount, "
                     "FConsignPrice, FConsignAmount, FBatchNo, FDCStockID, FDCSPID, FKFDate, "
                     "FKFPeriod, FMapName, FMapNumber, FNote, FOrderBillNO) VALUES ('0', ?, ?, ?, "
                     "?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        orders_by_customer_index_(base.customers.size()) {}

  void CheckNumbersFit(const Plan& plan) const {
    const auto check = [](const BillNumbers& numbers, int64_t needed) {
      if (needed > numbers.limit()) {
        throw std::invalid_argument("demo data: " + std::to_string(needed) + " bills of type " +
                                    std::to_string(numbers.tran_type()) +
                                    " do not fit the bill-number rule");
      }
    };
    check(order_numbers_, int64_t{plan.orders} + plan.deleted_orders);
    check(special_invoice_numbers_, int64_t{plan.invoices} + plan.deleted_invoices);
    check(ordinary_invoice_numbers_, int64_t{plan.invoices} + plan.deleted_invoices);
    check(receipt_numbers_, int64_t{plan.stock_bills} + plan.deleted_stock_bills);
    check(delivery_numbers_, int64_t{plan.stock_bills} + plan.deleted_stock_bills);
  }

  void Make(const Plan& plan, int entries_per_order, bool fixed_entries) {
    for (int i = 1; i <= plan.orders; ++i) {
      int entries = 0;
      if (fixed_entries) {
        entries = entries_per_order;
      } else if (entries_per_order > 0 && (i <= 2 || (i != 3 && !random_.Percent(4)))) {
        entries = random_.Between(1, 2 * entries_per_order - 1);
      }
      MakeOrder(i, order_numbers_.Next(), entries, i == 2);
    }
    if (plan.orders > 0) MakeOrder(0, "", 0, false);  // the ERP's template head

    for (int i = 1; i <= plan.invoices; ++i) {
      int type = random_.Percent(50) ? 80 : 86;
      int rob = random_.Percent(12) ? -1 : 1;
      if (i <= 4) {
        type = i % 2 == 1 ? 80 : 86;
        rob = i <= 2 ? 1 : -1;
      }
      MakeInvoice(++invoice_id_, type, rob, i == 5 ? 0 : random_.Between(1, 4));
    }

    for (int i = 1; i <= plan.stock_bills; ++i) {
      bool delivery = random_.Percent(50);
      if (i <= 4) delivery = i % 2 == 0;
      const int rob = i > 4 && random_.Percent(10) ? -1 : 1;
      if (delivery) {
        MakeDelivery(++stock_bill_id_, rob, i == 2 || i == 4, i == 2);
      } else {
        MakeReceipt(++stock_bill_id_, rob);
      }
    }

    MakeDeletions(plan);
    AdvanceNumbering();
  }

  // Heads made and deleted again.
  int deleted() const { return deleted_; }

 private:
  // ----- sales orders -----

  void MakeOrder(int inter_id, const std::string& bill_no, int entries, bool for_oneil) {
    OrderMade order;
    order.bill_no = bill_no;
    order.customer_index = for_oneil ? base_.oneil_index : RandomIndex(base_.customers.size());
    order.day = random_.Between(0, kLastDocumentDay);
    const Currency& currency =
        random_.Percent(85) ? base_.currencies[0] : base_.currencies[random_.Between(1, 3)];
    const int department = random_.Pick(base_.departments);
    const int employee = random_.Pick(base_.employees);
    const int manager = random_.Pick(base_.employees);
    const int biller = random_.Percent(90) ? kAdministrator : kWebServiceUser;
    static const std::vector<std::string> kAddresses = {
        "上海市浦东新区张江路88号", "北京市海淀区中关村大街1号", "广州市天河区体育西路100号",
        "成都市高新区天府大道500号", "Pier 9, Harbour Road, Hong Kong"};
    std::optional<std::string> fetch_address;
    if (!random_.Percent(10)) fetch_address = random_.Pick(kAddresses);
    order.sale_style = random_.Percent(70) ? kSaleStyleCredit : random_.Pick(base_.sale_styles);
    const int settle = random_.Pick(base_.settle_styles);
    const Contract* contract = random_.Percent(30) ? &random_.Pick(base_.contracts) : nullptr;
    int status = random_.Percent(60) ? 1 : 0;
    bool from_crm = random_.Percent(15);
    if (inter_id == 5 || inter_id == 6) {  // from the CRM: one unchecked, one checked
      from_crm = true;
      status = inter_id == 5 ? 0 : 1;
    }

    order_head_.Run(inter_id, bill_no, DateText(order.day), random_.Guid(),
                    base_.customers[order.customer_index], currency.id, currency.rate, department,
                    employee, manager, biller, fetch_address, order.sale_style, settle,
                    contract != nullptr ? contract->id : 0, status, from_crm ? 1 : 0,
                    from_crm ? 2 : 1);

    const int carrying_days = base_.carrying_days_by_customer_index[order.customer_index];
    static const std::vector<std::string> kNotes = {"加急", "分批发货", "含包装", "按合同交货"};
    for (int entry = 1; entry <= entries; ++entry) {
      const Material& material = random_.Pick(base_.materials);
      const int qty = random_.Between(1, 100);
      const int64_t price = material.price_cents * random_.Between(90, 110) / 100;
      const int discount_rate = random_.Percent(75) ? 0 : (random_.Percent(50) ? 5 : 10);
      const int tax_rate = random_.Percent(80) ? 13 : 17;
      std::optional<std::string> note;
      if (random_.Percent(30)) note = random_.Pick(kNotes);

      // Tax-inclusive price and unit discount in ten-thousandths and millionths of a yuan.
      const int64_t tax_price = price * (100 + tax_rate);          // 1/10000
      const int64_t unit_discount_e6 = tax_price * discount_rate;  // 1/1000000
      const int64_t gross = qty * price;                           // cents
      const int64_t amount = RoundDiv(gross * (100 - discount_rate), 100);
      const int64_t discount_amount = RoundDiv(unit_discount_e6 * qty, 10000);
      const int64_t tax = RoundDiv(amount * tax_rate, 100);
      const int64_t total = amount + tax;
      const int64_t total_std = RoundDiv(total * currency.rate_units, 10000);

      order_entry_.Run(
          inter_id, entry, material.id, material.unit_id, static_cast<double>(qty), Cents(price),
          TenThousandths(tax_price),
          static_cast<double>(tax_price * 100 - unit_discount_e6) / 1000000.0,
          static_cast<double>(unit_discount_e6) / 1000000.0, static_cast<double>(discount_rate),
          Cents(discount_amount), Cents(gross - amount), static_cast<double>(tax_rate), Cents(tax),
          Cents(amount), Cents(amount), Cents(total), Cents(total_std), note, DateText(order.day),
          DateText(order.day + carrying_days), contract != nullptr ? contract->id : 0,
          contract != nullptr ? contract->number : std::string());
      order.lines.push_back({&material, qty, price});
    }
    if (inter_id != 0 && !order.lines.empty()) {
      orders_by_customer_index_[order.customer_index].push_back(orders_.size());
      orders_with_lines_.push_back(orders_.size());
      orders_.push_back(std::move(order));
    }
  }

  // ----- sales invoices -----

  void MakeInvoice(int inter_id, int type, int rob, int entries) {
    BillNumbers& numbers = type == 80 ? special_invoice_numbers_ : ordinary_invoice_numbers_;
    const std::string bill_no = numbers.Next();
    const int day = random_.Between(0, kLastDocumentDay);
    const Currency& currency =
        random_.Percent(85) ? base_.currencies[0] : base_.currencies[random_.Between(1, 3)];
    const int sale_style = random_.Percent(70) ? kSaleStyleCredit : random_.Pick(base_.sale_styles);
    const int customer = random_.Pick(base_.customers);
    const int department = random_.Pick(base_.departments);
    const int employee = random_.Pick(base_.employees);
    const int biller = random_.Percent(90) ? kAdministrator : kWebServiceUser;
    std::optional<std::string> note;
    if (random_.Percent(50)) note = rob < 0 ? "退货红冲" : "月结";
    const int status = random_.Percent(60) ? 1 : 0;
    const bool from_crm = random_.Percent(15);
    invoice_head_.Run(inter_id, type, bill_no, DateText(day), random_.Guid(), rob, sale_style,
                      customer, currency.id, currency.rate, department, employee, biller, note,
                      status, from_crm ? 1 : 0, from_crm ? 2 : 1);

    for (int entry = 1; entry <= entries; ++entry) {
      const Material& material = random_.Pick(base_.materials);
      const int qty = rob * random_.Between(1, 50);
      const int64_t price = material.price_cents * random_.Between(90, 110) / 100;
      const int tax_rate = random_.Percent(80) ? 13 : 17;
      const int discount_rate = random_.Percent(80) ? 0 : 5;
      const int64_t amount = RoundDiv(qty * price * (100 - discount_rate), 100);
      const int64_t tax = RoundDiv(amount * tax_rate, 100);
      invoice_entry_.Run(inter_id, entry, material.id, material.unit_id, static_cast<double>(qty),
                         Cents(price), TenThousandths(price * (100 + tax_rate)),
                         static_cast<double>(tax_rate), static_cast<double>(discount_rate),
                         Cents(amount), Cents(tax));
    }
  }

  // ----- stock bills -----

  struct StockLine {
    const Material* material;
    int qty;  // signed by the bill's red/blue flag
    int64_t price_cents;
    int64_t consign_price_cents;
    std::string order_bill_no;
    std::optional<std::string> map_name;
    std::optional<std::string> map_number;
  };

  void MakeReceipt(int inter_id, int rob) {
    const int day = random_.Between(0, kLastDocumentDay);
    std::vector<StockLine> lines;
    const int entries = random_.Between(1, 5);
    for (int e = 0; e < entries; ++e) {
      const Material& material = random_.Pick(base_.materials);
      lines.push_back({&material, rob * random_.Between(1, 200), material.price_cents * 7 / 10, 0,
                       std::string(), std::nullopt, std::nullopt});
    }
    const int supplier = random_.Pick(base_.suppliers);
    const int purchase_style = random_.Pick(base_.purchase_styles);
    WriteStockBill(inter_id, 1, receipt_numbers_.Next(), day, rob, supplier, 0, purchase_style,
                   lines);
  }

  // A delivery fills entries of one order of a customer, sometimes also of a second order of the
  // same customer. `first_order` takes the first order made; `with_loose_entry` adds an entry
  // that fills no order.
  void MakeDelivery(int inter_id, int rob, bool first_order, bool with_loose_entry) {
    std::vector<StockLine> lines;
    int customer_index;
    int day;
    int sale_style = kSaleStyleCredit;
    if (orders_with_lines_.empty()) {
      customer_index = RandomIndex(base_.customers.size());
      day = random_.Between(0, kLastDocumentDay);
      with_loose_entry = true;
    } else {
      const OrderMade& order = first_order ? orders_[0] : orders_[random_.Pick(orders_with_lines_)];
      customer_index = order.customer_index;
      day = order.day;
      sale_style = order.sale_style;
      AddDeliveryLines(order, rob, lines);
      const std::vector<size_t>& same_customer = orders_by_customer_index_[customer_index];
      if (same_customer.size() > 1 && random_.Percent(30)) {
        const OrderMade& second = orders_[random_.Pick(same_customer)];
        if (&second != &order) {
          AddDeliveryLines(second, rob, lines);
          day = std::max(day, second.day);
        }
      }
      day = std::min(day + random_.Between(0, 20), kLastDocumentDay);
    }
    if (with_loose_entry) {
      const Material& material = random_.Pick(base_.materials);
      const int64_t price = material.price_cents;
      lines.push_back({&material, rob * random_.Between(1, 20), price * 7 / 10, price,
                       std::string(), std::nullopt, std::nullopt});
    }
    WriteStockBill(inter_id, 21, delivery_numbers_.Next(), day, rob,
                   base_.customers[customer_index], sale_style, 0, lines);
  }

  void AddDeliveryLines(const OrderMade& order, int rob, std::vector<StockLine>& lines) {
    const int count = random_.Between(1, static_cast<int>(order.lines.size()));
    for (int l = 0; l < count; ++l) {
      const OrderLine& line = order.lines[static_cast<size_t>(l)];
      std::optional<std::string> map_name;
      std::optional<std::string> map_number;
      if (random_.Percent(20)) {
        map_name = "客户料号 " + std::to_string(line.material->id);
        map_number = "CP-" + std::to_string(line.material->id);
      }
      lines.push_back({line.material, rob * random_.Between(1, line.qty),
                       line.material->price_cents * 7 / 10, line.price_cents, order.bill_no,
                       map_name, map_number});
    }
  }

  void WriteStockBill(int inter_id, int tran_type, const std::string& bill_no, int day, int rob,
                      int supply_id, int sale_style, int purchase_style,
                      const std::vector<StockLine>& lines) {
    const int warehouse_index = RandomIndex(base_.warehouses.size());
    std::optional<std::string> note;
    if (random_.Percent(40)) note = rob < 0 ? "退回" : (tran_type == 1 ? "到货验收" : "按订单发货");
    const int biller = random_.Percent(90) ? kAdministrator : kWebServiceUser;
    const int receiver = random_.Pick(base_.employees);
    const int poster = random_.Pick(base_.employees);
    const int branch = random_.Pick(base_.branches);
    const int keeper = random_.Pick(base_.employees);
    const int department = random_.Pick(base_.departments);
    const int employee = random_.Pick(base_.employees);
    const int status = random_.Percent(60) ? 1 : 0;
    const bool from_crm = random_.Percent(10);
    stock_head_.Run(inter_id, tran_type, bill_no, DateText(day), random_.Guid(), rob, note, biller,
                    receiver, poster, branch, sale_style, purchase_style, keeper, supply_id,
                    department, employee, status, from_crm ? 1 : 0, from_crm ? 2 : 1);

    int entry = 0;
    for (const StockLine& line : lines) {
      ++entry;
      std::optional<std::string> batch;
      const int batch_kind = random_.Between(0, 9);
      if (batch_kind == 0) {
        batch = "";
      } else if (batch_kind > 1) {
        batch = BatchText(day, random_.Between(1, 20));
      }
      std::optional<std::string> shelf_life_date;
      int shelf_life_days = 0;
      if (random_.Percent(50)) {
        shelf_life_days = random_.Between(30, 180);
        shelf_life_date = DateText(day + shelf_life_days);
      }
      const int place = random_.Pick(base_.places_by_warehouse_index[warehouse_index]);
      std::optional<std::string> entry_note;
      if (random_.Percent(20)) entry_note = "质检合格";
      const double qty = static_cast<double>(line.qty);
      const int64_t plan_price = line.material->price_cents * 3 / 4;
      stock_entry_.Run(inter_id, entry, line.material->id, line.material->unit_id, qty, qty, qty,
                       qty, qty, qty, qty, Cents(line.price_cents), Cents(line.price_cents),
                       Cents(plan_price), Cents(line.qty * line.price_cents),
                       Cents(line.qty * plan_price), Cents(line.consign_price_cents),
                       Cents(line.qty * line.consign_price_cents), batch,
                       base_.warehouses[warehouse_index], place, shelf_life_date, shelf_life_days,
                       line.map_name, line.map_number, entry_note, line.order_bill_no);
    }
  }

  // ----- deletions, numbering -----

  // Heads that were saved and then deleted in the ERP: the delete triggers log each of them.
  void MakeDeletions(const Plan& plan) {
    const int first_order = plan.orders + 1;
    for (int i = 0; i < plan.deleted_orders; ++i) {
      MakeOrder(first_order + i, order_numbers_.Next(), 0, false);
    }
    Statement delete_order(db_, "DELETE FROM SEOrder WHERE FInterID = ?");
    for (int i = 0; i < plan.deleted_orders; ++i) delete_order.Run(first_order + i);

    const int first_invoice = invoice_id_ + 1;
    for (int i = 0; i < plan.deleted_invoices; ++i) {
      MakeInvoice(++invoice_id_, i % 2 == 0 ? 80 : 86, 1, 0);
    }
    Statement delete_invoice(db_, "DELETE FROM ICSale WHERE FInterID = ?");
    for (int id = first_invoice; id <= invoice_id_; ++id) delete_invoice.Run(id);

    const int first_stock_bill = stock_bill_id_ + 1;
    for (int i = 0; i < plan.deleted_stock_bills; ++i) {
      if (i % 2 == 0) {
        MakeReceipt(++stock_bill_id_, 1);
      } else {
        MakeDelivery(++stock_bill_id_, 1, false, false);
      }
    }
    Statement delete_stock_bill_entries(db_, "DELETE FROM ICStockBillEntry WHERE FInterID = ?");
    Statement delete_stock_bill(db_, "DELETE FROM ICStockBill WHERE FInterID = ?");
    for (int id = first_stock_bill; id <= stock_bill_id_; ++id) {
      delete_stock_bill_entries.Run(id);
      delete_stock_bill.Run(id);
    }
    deleted_ = plan.deleted_orders + plan.deleted_invoices + plan.deleted_stock_bills;
    last_order_id_ = plan.orders + plan.deleted_orders;
  }

  void AdvanceNumbering() {
    Statement rule(db_, "UPDATE t_BillNoRule SET FCurNo = ? WHERE FTranType = ?");
    for (const BillNumbers* numbers :
         {&order_numbers_, &special_invoice_numbers_, &ordinary_invoice_numbers_, &receipt_numbers_,
          &delivery_numbers_}) {
      rule.Run(numbers->last(), numbers->tran_type());
    }
    Statement highest(db_, "UPDATE t_BillInterIDMax SET FMaxInterID = ? WHERE FTableName = ?");
    highest.Run(last_order_id_, "SEOrder");
    highest.Run(invoice_id_, "ICSale");
    highest.Run(stock_bill_id_, "ICStockBill");
  }

 private:
  int RandomIndex(size_t size) { return random_.Between(0, static_cast<int>(size) - 1); }

  sqlite3* db_;
  Random& random_;
  const BaseData& base_;
  BillNumbers order_numbers_;
  BillNumbers special_invoice_numbers_;
  BillNumbers ordinary_invoice_numbers_;
  BillNumbers receipt_numbers_;
  BillNumbers delivery_numbers_;
  Statement order_head_;
  Statement order_entry_;
  Statement invoice_head_;
  Statement invoice_entry_;
  Statement stock_head_;
  Statement stock_entry_;

  std::vector<OrderMade> orders_;                              // orders with entries
  std::vector<size_t> orders_with_lines_;                      // indexes into orders_
  std::vector<std::vector<size_t>> orders_by_customer_index_;  // indexes into orders_
  int invoice_id_ = 0;
  int stock_bill_id_ = 0;
  int last_order_id_ = 0;
  int deleted_ = 0;
};

// ---------------------------------------------------------------------------------------------
// Summary
// ---------------------------------------------------------------------------------------------

// A table counted in the summary; the bill head tables count their
// documents, without the template head with internal ID 0.
struct CountedTable {
  const char* table;
  int64_t DemoSummary::*field;
  const char* rows = "1=1";
};

constexpr CountedTable kCountedTables[] = {
    {"t_Item", &DemoSummary::items},
    {"t_ICItem", &DemoSummary::ic_items},
    {"t_Organization", &DemoSummary::organizations},
    {"t_Currency", &DemoSummary::currencies},
    {"t_MeasureUnit", &DemoSummary::measure_units},
    {"t_SubMessage", &DemoSummary::sub_messages},
    {"t_Settle", &DemoSummary::settles},
    {"t_RpContract", &DemoSummary::contracts},
    {"t_StockPlace", &DemoSummary::stock_places},
    {"t_User", &DemoSummary::users},
    {"t_Group", &DemoSummary::group_members},
    {"t_AccessControl", &DemoSummary::access_rights},
    {"ICInventory", &DemoSummary::inventory},
    {"t_LockStock", &DemoSummary::locks},
    {"ICListTemplate", &DemoSummary::list_templates},
    {"SEOrder", &DemoSummary::orders, "FInterID <> 0"},
    {"SEOrderEntry", &DemoSummary::order_entries},
    {"ICSale", &DemoSummary::invoices, "FInterID <> 0"},
    {"ICSaleEntry", &DemoSummary::invoice_entries},
    {"ICStockBill", &DemoSummary::stock_bills, "FInterID <> 0"},
    {"ICStockBillEntry", &DemoSummary::stock_bill_entries},
    {"COM_DataChange", &DemoSummary::change_log},
};

void CheckEmpty(sqlite3* db) {
  for (const char* table : {"t_Item", "t_User", "SEOrder", "ICSale", "ICStockBill"}) {
    if (QueryInt(db, std::string("SELECT COUNT(*) FROM ") + table) != 0) {
      throw std::runtime_error(std::string("cannot fill the demo account: ") + table +
                               " already holds rows");
    }
  }
}

DemoSummary Fill(sqlite3* db, const DemoOptions& options, const Plan& plan) {
  CheckEmpty(db);
  Random random(options.seed);
  BaseData base;
  MakeUsers(db, random, base);
  MakeItemTree(db, random, base);
  MakeOtherBaseData(db, random, base);
  MakeStock(db, random, base);

  DemoSummary summary;
  {
    DocumentMaker documents(db, random, base);
    documents.CheckNumbersFit(plan);
    if (!options.base_only) documents.Make(plan, options.entries_per_order, options.fixed_entries);
    summary.deleted_heads = documents.deleted();
  }
  for (const CountedTable& counted : kCountedTables) {
    summary.*counted.field = QueryInt(
        db, std::string("SELECT COUNT(*) FROM ") + counted.table + " WHERE " + counted.rows);
  }
  for (const char* table : {"SEOrder", "ICSale", "ICStockBill"}) {
    summary.template_heads +=
        QueryInt(db, std::string("SELECT COUNT(*) FROM ") + table + " WHERE FInterID = 0");
  }
  return summary;
}

// ---------------------------------------------------------------------------------------------
// The database file
// ---------------------------------------------------------------------------------------------

// A file that is removed, with sqlite's journal files beside it, unless kept.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    if (path_.empty()) return;
    ::unlink(path_.c_str());
    for (const char* suffix : {"-journal", "-wal", "-shm"}) ::unlink((path_ + suffix).c_str());
  }
  const std::string& path() const { return path_; }
  void Keep() { path_.clear(); }

 private:
  std::string path_;
};

// Creates an empty file beside `path` under a name of its own.
std::string CreateTemporaryFileBeside(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate =
        path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
    const int fd = ::open(candidate.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::close(fd);
      return candidate;
    }
    if (errno != EEXIST) {
      throw std::runtime_error("cannot create the demo account \"" + path +
                               "\": cannot create a temporary file: " + std::strerror(errno));
    }
  }
  throw std::runtime_error("cannot create the demo account \"" + path +
                           "\": no free temporary file name");
}

// Moves `from` to `to`, never replacing a file at `to`.
void MoveWithoutReplacing(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return;
  if (errno == EINVAL || errno == ENOSYS) {
    // The file system cannot rename without replacing: a hard link can fail on an existing name.
    if (::link(from.c_str(), to.c_str()) == 0) {
      ::unlink(from.c_str());
      return;
    }
  }
  const int error = errno;
  throw std::runtime_error(
      "cannot create the demo account \"" + to + "\": " +
      (error == EEXIST ? std::string("the file exists") : std::string(std::strerror(error))));
}

// Puts the database into WAL mode, which the file keeps. An account is in WAL
// mode before it appears under its name, so that its first open never has to
// switch it, which needs the file to itself and fails at once while another
// connection writes.
void UseWal(sqlite3* db) {
  Statement pragma(db, "PRAGMA journal_mode=WAL");
  const int rc = sqlite3_step(pragma.get());
  const unsigned char* mode = rc == SQLITE_ROW ? sqlite3_column_text(pragma.get(), 0) : nullptr;
  if (mode == nullptr || std::string_view(reinterpret_cast<const char*>(mode)) != "wal") {
    throw std::runtime_error(
        std::string("cannot create the demo account: WAL mode is refused: ") +
        (mode != nullptr ? reinterpret_cast<const char*>(mode) : sqlite3_errmsg(db)));
  }
}

class Connection {
 public:
  explicit Connection(const std::string& path) {
    const int rc = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
      const std::string message = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
      sqlite3_close(db_);
      throw std::runtime_error("cannot create the demo account: " + message);
    }
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  ~Connection() { sqlite3_close(db_); }

  sqlite3* get() const { return db_; }

  void Close() {
    if (sqlite3_close(db_) != SQLITE_OK) {
      throw std::runtime_error(std::string("cannot create the demo account: ") +
                               sqlite3_errmsg(db_));
    }
    db_ = nullptr;
  }

 private:
  sqlite3* db_ = nullptr;
};

}  // namespace

std::vector<std::pair<std::string, int64_t>> DemoSummary::RowsPerTable() const {
  std::vector<std::pair<std::string, int64_t>> rows;
  for (const CountedTable& counted : kCountedTables) {
    rows.emplace_back(counted.table, this->*counted.field);
  }
  return rows;
}

std::string DescribeSummary(const DemoSummary& summary) {
  std::string text;
  char line[128];
  for (const auto& [table, rows] : summary.RowsPerTable()) {
    std::snprintf(line, sizeof line, "%-18s %9lld\n", table.c_str(), static_cast<long long>(rows));
    text += line;
  }
  if (summary.template_heads > 0) {
    std::snprintf(line, sizeof line, "%-18s %9lld  (internal ID 0, not documents)\n",
                  "template heads", static_cast<long long>(summary.template_heads));
    text += line;
  }
  std::snprintf(line, sizeof line, "%-18s %9lld  (made, deleted, logged in COM_DataChange)\n",
                "deleted heads", static_cast<long long>(summary.deleted_heads));
  text += line;
  return text;
}

DemoSummary FillDemoData(sqlite3* db, const DemoOptions& options) {
  if (db == nullptr) {
    throw std::runtime_error("cannot fill the demo account: no database connection");
  }
  const Plan plan = MakePlan(options);
  Exec(db, "SAVEPOINT corvane_demo_data");
  try {
    DemoSummary summary = Fill(db, options, plan);
    Exec(db, "RELEASE corvane_demo_data");
    return summary;
  } catch (...) {
    sqlite3_exec(db, "ROLLBACK TO corvane_demo_data", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "RELEASE corvane_demo_data", nullptr, nullptr, nullptr);
    throw;
  }
}

DemoSummary CreateDemoAccount(const std::string& path, const DemoOptions& options) {
  MakePlan(options);  // refuse bad options before touching the disk
  if (path.empty()) throw std::runtime_error("cannot create the demo account: no file name");
  std::error_code error;
  const auto status = std::filesystem::symlink_status(path, error);
  if (status.type() != std::filesystem::file_type::not_found) {
    throw std::runtime_error("cannot create the demo account \"" + path +
                             "\": " + (error ? error.message() : std::string("the file exists")));
  }

  TemporaryFile temporary(CreateTemporaryFileBeside(path));
  DemoSummary summary;
  {
    Connection connection(temporary.path());
    sqlite3* db = connection.get();
    RegisterErpSqlFunctions(db);
    Exec(db, "PRAGMA cache_size = -65536");
    Exec(db, "BEGIN");
    CreateAccountSchema(db);
    summary = FillDemoData(db, options);
    Exec(db, "COMMIT");
    UseWal(db);
    connection.Close();
  }
  MoveWithoutReplacing(temporary.path(), path);
  temporary.Keep();
  return summary;
}

}  // namespace corvane::erpdb
