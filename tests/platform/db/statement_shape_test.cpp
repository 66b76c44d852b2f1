#include "platform/db/statement_shape.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corvane::db {
namespace {

// A value as "i:5", "r:1.5" or "t:text".
std::vector<std::string> Described(const std::vector<ShapeValue>& values) {
  std::vector<std::string> out;
  for (const ShapeValue& v : values) {
    switch (v.type) {
      case ShapeValue::Type::Integer: out.push_back("i:" + std::to_string(v.integer)); break;
      case ShapeValue::Type::Real: out.push_back("r:" + std::to_string(v.real)); break;
      case ShapeValue::Type::Text: out.push_back("t:" + v.text); break;
    }
  }
  return out;
}

TEST(StatementShape, ValuesBecomeParametersWhereABoundValueMeansTheSame) {
  struct Row {
    const char* tsql;
    const char* shape;
    std::vector<std::string> values;
  } rows[] = {
      // Key lookups and entry queries: the values that make each text unique.
      {"SELECT FNumber,FName,UUID FROM t_Item WHERE FItemID=16394",
       "SELECT FNumber,FName,UUID FROM t_Item WHERE FItemID=?1", {"i:16394"}},
      {"SELECT FItemID FROM t_Item  WHERE FItemClassID=1 AND FNumber='O''Brien'",
       "SELECT FItemID FROM t_Item  WHERE FItemClassID=?1 AND FNumber=?2", {"i:1", "t:O'Brien"}},
      {"SELECT a FROM t WHERE b=N'中文' AND c<>-5 AND d>=1.5e3",
       "SELECT a FROM t WHERE b=?1 AND c<>?2 AND d>=?3", {"t:中文", "i:-5", "r:1500.000000"}},
      {"SELECT a FROM t WHERE b=16394AND c=1", "SELECT a FROM t WHERE b=?1 AND c=?2",
       {"i:16394", "i:1"}},
      {"INSERT INTO t (a,b,c) VALUES (1,'x',-2.25),(3,NULL,GETDATE())",
       "INSERT INTO t (a,b,c) VALUES (?1,?2,?3),(?4,NULL,GETDATE())",
       {"i:1", "t:x", "r:-2.250000", "i:3"}},
      {"UPDATE t SET a='y', b=2 WHERE c IN (7, 8)", "UPDATE t SET a=?1, b=?2 WHERE c IN (?3, ?4)",
       {"t:y", "i:2", "i:7", "i:8"}},
      // What must stay as written: TOP, ordinals, lengths, LIKE patterns,
      // concatenations, arithmetic, binary literals, select lists, BETWEEN.
      {"SELECT TOP 5 a FROM t ORDER BY 1", "SELECT TOP 5 a FROM t ORDER BY 1", {}},
      {"SELECT a FROM t WHERE b LIKE 'x%' AND CONVERT(varchar(20), c)=d",
       "SELECT a FROM t WHERE b LIKE 'x%' AND CONVERT(varchar(20), c)=d", {}},
      {"SELECT a FROM t WHERE b='x'+c AND d=c+'y' AND e=1+2 AND f=-g",
       "SELECT a FROM t WHERE b='x'+c AND d=c+'y' AND e=1+2 AND f=-g", {}},
      {"SELECT a FROM t WHERE v>0x07D1 AND n BETWEEN 1 AND 2",
       "SELECT a FROM t WHERE v>0x07D1 AND n BETWEEN 1 AND 2", {}},
      {"SELECT x=1, 'a', (SELECT b FROM u WHERE c=2) FROM t WHERE d=3",
       "SELECT x=1, 'a', (SELECT b FROM u WHERE c=2) FROM t WHERE d=?1", {"i:3"}},
      {"SELECT a FROM t WHERE b IN (SELECT c FROM u WHERE d='q')",
       "SELECT a FROM t WHERE b IN (SELECT c FROM u WHERE d=?1)", {"t:q"}},
      {"SELECT a FROM t WHERE b=99999999999999999999", "SELECT a FROM t WHERE b=99999999999999999999",
       {}},
      // Texts that run as written.
      {"PRAGMA busy_timeout=5000", "PRAGMA busy_timeout=5000", {}},
      {"SELECT a FROM t WHERE b=?1 AND c=5", "SELECT a FROM t WHERE b=?1 AND c=5", {}},
      {"SELECT a FROM t WHERE b=? AND c=5", "SELECT a FROM t WHERE b=? AND c=5", {}},
      {"SELECT a FROM t WHERE b=@BillNo AND c=5", "SELECT a FROM t WHERE b=@BillNo AND c=?1",
       {"i:5"}},
      {"SELECT a FROM t WHERE b='unterminated", "SELECT a FROM t WHERE b='unterminated", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.tsql);
    StatementShape shape;
    const bool shaped = ShapeStatement(row.tsql, shape);
    EXPECT_EQ(shape.text, row.shape);
    EXPECT_EQ(Described(shape.values), row.values);
    EXPECT_EQ(shaped, !row.values.empty());
  }
}

}  // namespace
}  // namespace corvane::db
