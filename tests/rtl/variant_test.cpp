// Variant conversions and their errors.
#include "platform/rtl/variant.h"

#include "platform/rtl/exceptions.h"

#include <gtest/gtest.h>

#include "message_of.h"

using namespace zarix;

TEST(Variant, ConvertsBetweenKindsAndComparesIntegersAcrossWidths) {
    EXPECT_EQ(Variant().AsString(), "");
    EXPECT_EQ(Variant().AsInteger(), 0);
    EXPECT_EQ(Variant("123").AsInteger(), 123);
    EXPECT_EQ(Variant(int32_t{-5}).AsString(), "-5");
    EXPECT_EQ(Variant(true).AsString(), "True");
    EXPECT_EQ(Variant(true).AsInteger(), -1);
    EXPECT_TRUE(Variant("true").AsBoolean());
    EXPECT_FALSE(Variant("0").AsBoolean());
    EXPECT_DOUBLE_EQ(Variant("2.5").AsDouble(), 2.5);
    EXPECT_EQ(Variant(2.5).AsInteger(), 2);  // half to even
    EXPECT_EQ(Variant(3.5).AsInteger(), 4);
    EXPECT_EQ(Variant(int64_t{1} << 40).AsString(), "1099511627776");
    // Equality compares integers across widths, never text against numbers.
    EXPECT_EQ(Variant(int32_t{7}), Variant(int64_t{7}));
    EXPECT_NE(Variant("7"), Variant(int32_t{7}));
    EXPECT_EQ(Variant("a"), Variant(std::string("a")));
    EXPECT_NE(Variant(), Variant::Null());
}

TEST(Variant, FailedConversionsNameBothTypes) {
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)Variant("abc").AsInteger(); }),
              "Could not convert variant of type (String) into type (Integer)");
    EXPECT_THROW((void)Variant(int64_t{1} << 40).AsInteger(), EVariantError);
    EXPECT_THROW((void)Variant::Null().AsString(), EVariantError);
    EXPECT_THROW((void)Variant(1e300).AsInt64(), EVariantError);
    EXPECT_THROW((void)Variant::FromObject(nullptr).AsInteger(), EVariantError);  // a reference is no number
    EXPECT_THROW((void)Variant(int32_t{1}).AsObject(), EVariantError);           // nor a number a reference
}
