#include "frame/document_values.h"

#include <gtest/gtest.h>

#include "frame/module_state.h"
#include "support/error_number.h"

namespace corvane {
namespace {

using testing::ErrorNumberOf;

class DocumentValuesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ThisThreadState().message_language.clear();
    ThisThreadState().resource_loader.reset();
  }
};

TEST_F(DocumentValuesTest, NumbersAreWrittenAsTheyCameOrRefusedByName) {
  const struct {
    Variant value;
    const char* text;     // written, or the refusal's description
    int32_t error;        // 0: accepted
  } cases[] = {
      {Variant("12"), "12", 0},
      {Variant(" -0.50 "), "-0.50", 0},
      {Variant("999999999999999999.9999999999"), "999999999999999999.9999999999", 0},
      {Variant("000999999999999999999"), "000999999999999999999", 0},  // leading zeros hold nothing
      {Variant("0.123456789012345"), "0.123456789012345", 0},           // the server rounds the scale
      {Variant(2.5), "2.5", 0},
      {Variant("1000000000000000000"), "Qty 的值超出范围：1000000000000000000", err::kOverflow},
      {Variant("-99999999999999999999.5"), "Qty 的值超出范围：-99999999999999999999.5", err::kOverflow},
      {Variant(1e20), "Qty 的值超出范围：100000000000000000000", err::kOverflow},
      {Variant("1e3"), "Qty 的值不是数字：1e3", err::kTypeMismatch},
      {Variant("1,000"), "Qty 的值不是数字：1,000", err::kTypeMismatch},
      {Variant::Null(), "Qty 的值不是数字：", err::kTypeMismatch},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::string out;
    try {
      out = DocumentNumberText(c.value, "Qty", "test");
      EXPECT_EQ(c.error, 0);
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), c.error);
      out = e.description();
    }
    EXPECT_EQ(out, c.text);
  }
}

TEST_F(DocumentValuesTest, DatesAreRealDaysTheAccountCanHold) {
  const struct {
    const char* text;
    const char* result;  // the day, or the refusal's description
    int32_t error;
  } cases[] = {
      {"2024-02-29", "2024-02-29", 0},
      {"9999-12-31", "9999-12-31", 0},
      {"1753-01-01", "1753-01-01", 0},
      {"2023-02-30", "Date 的值不是日期：2023-02-30", err::kTypeMismatch},
      {"2023-13-01", "Date 的值不是日期：2023-13-01", err::kTypeMismatch},
      {"2023-1-01", "Date 的值不是日期：2023-1-01", err::kTypeMismatch},
      {"20230101", "Date 的值不是日期：20230101", err::kTypeMismatch},
      {"1752-12-31", "Date 的值超出范围：1752-12-31", err::kOverflow},
      {"0001-01-01", "Date 的值超出范围：0001-01-01", err::kOverflow},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::string out;
    try {
      out = DateToText(DocumentDate(Variant(c.text), "Date", "test"));
      EXPECT_EQ(c.error, 0);
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), c.error);
      out = e.description();
    }
    EXPECT_EQ(out, c.result);
  }
}

}  // namespace
}  // namespace corvane
