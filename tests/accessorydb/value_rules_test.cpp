// Values as the merges read, show and compare them.
#include <gtest/gtest.h>

#include "accessorydb/schema.h"

using namespace accessorydb;

namespace {

TEST(ValueRules, AsText) {
  const std::vector<std::pair<FieldValue, std::string>> cases = {
      {FieldValue{}, ""},
      {FieldValue{std::string(" Ab ")}, " Ab "},
      {FieldValue{int32_t{-17}}, "-17"},
      {FieldValue{int32_t{2147483647}}, "2147483647"},
  };
  for (const auto& [v, text] : cases) EXPECT_EQ(valueAsText(v), text);
}

TEST(ValueRules, Equality) {
  struct Case {
    FieldValue a, b;
    bool equal;
  };
  const std::vector<Case> cases = {
      {FieldValue{}, FieldValue{}, true},
      {FieldValue{}, FieldValue{std::string()}, false},
      {FieldValue{}, FieldValue{int32_t{0}}, false},
      {FieldValue{std::string("Abc")}, FieldValue{std::string("abc")}, false},
      {FieldValue{std::string("Abc")}, FieldValue{std::string("Abc ")}, false},
      {FieldValue{std::string("Ąb")}, FieldValue{std::string("Ąb")}, true},
      {FieldValue{int32_t{5}}, FieldValue{int32_t{5}}, true},
      {FieldValue{int32_t{5}}, FieldValue{int32_t{6}}, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(valuesEqual(c.a, c.b), c.equal) << valueAsText(c.a) << " / " << valueAsText(c.b);
}

}  // namespace
