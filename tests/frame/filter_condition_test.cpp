#include "frame/filter_condition.h"

#include <gtest/gtest.h>

#include <string>

#include "values/run_time_error.h"

namespace corvane {
namespace {

TEST(FilterCondition, RefusesWhatIsNotOneCondition) {
  struct Case {
    std::string filter;
    const char* says;  // part of the reason in the message
  };
  const Case cases[] = {
      {"1=1)); DELETE FROM SEOrderEntry; SELECT * FROM SEOrder WHERE ((1=1", "多于"},
      {"1=1)) DELETE FROM SEOrderEntry SELECT * FROM SEOrder WHERE ((1=1", "多于"},
      {"1=1)) OR ((1=1", "多于"},
      {"FCustID=5) OR (1=1", "多于"},
      {"1=1; DROP TABLE SEOrderEntry", "分隔符"},
      {"FBillNo='A';UPDATE SEOrder SET FBillNo='B'", "分隔符"},
      {"FCustID=5 -- and the rest", "注释"},
      {"FCustID=5 /* and the rest */", "注释"},
      {"FCustID=5 /* unclosed", "注释"},
      {"(FCustID=5", "未闭合"},
      {"FCustID IN (1, (2)", "未闭合"},
      {"FBillNo='SO1", "引号"},
      {"FBillNo='it''s", "引号"},
      {"\"FBillNo=1", "引号"},
      {"[FBillNo=1", "引号"},
      {"FBillNo]=1", "]"},
      {std::string("FCustID=5\0) OR (1=1", 19), "零字符"},
      {std::string(65, '(') + "1=1" + std::string(65, ')'), "64"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.filter);
    try {
      CheckFilterCondition(c.filter);
      ADD_FAILURE() << "accepted";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), err::kInvalidCall);
      EXPECT_NE(e.description().find(c.says), std::string::npos) << e.description();
    }
  }
}

TEST(FilterCondition, AcceptsConditionsWhoseLiteralsHoldAnything) {
  const std::string kConditions[] = {
      "",
      "FCustID=5",
      "FBillNo LIKE 'A;B--(%'",
      "FNote = 'it''s (not) /* a */ comment; -- really'",
      "FNote = N'日本語; ('",
      "FNote = ''",
      "\"F;Note\" = 'x' AND [F--Name)] = 'y' AND [a]]b(] = 1",
      "(FCustID IN (1, 2, (3))) AND (FDate >= '2024-01-01' OR FStatus <> 0)",
      "FAmount - -1 > 0 AND FAmount / 2 > 1",
      std::string(64, '(') + "1=1" + std::string(64, ')'),
  };
  for (const std::string& condition : kConditions) {
    SCOPED_TRACE(condition);
    EXPECT_NO_THROW(CheckFilterCondition(condition));
  }
}

}  // namespace
}  // namespace corvane
