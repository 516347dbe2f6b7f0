#include <gtest/gtest.h>

#include "equipment/common/Exceptions.h"
#include "equipment/common/SafeArray.h"
#include "equipment/common/Variant.h"

namespace equ {
namespace {

TEST(VariantTest, CopyIsDeepForArraysAndStrings) {
  Variant original(SafeArray::Vector({Variant(1), Variant(u"abc")}));
  Variant copy = original;
  copy.Array()->At(1) = Variant(u"changed");
  EXPECT_EQ(original.Array()->At(1), Variant(u"abc"));
  EXPECT_EQ(copy.Array()->At(1), Variant(u"changed"));
}

TEST(VariantTest, MoveLeavesSourceEmpty) {
  Variant source(u"text");
  Variant target = std::move(source);
  EXPECT_TRUE(source.IsEmpty());  // NOLINT(bugprone-use-after-move): the moved-from state matters
  EXPECT_EQ(target.RawString(), u"text");
}

// Replacing an array variant by one of its own elements must read the element whole before the
// old array, which holds it, goes.
TEST(VariantTest, TakesAnElementOfItsOwnArray) {
  Variant nested(SafeArray::Vector({Variant(u"inner"), Variant(7)}));
  Variant copied(SafeArray::Vector({nested, Variant(1)}));
  copied = copied.Array()->At(0);
  ASSERT_TRUE(copied.IsArray());
  EXPECT_EQ(copied.Array()->At(0), Variant(u"inner"));

  Variant moved(SafeArray::Vector({Variant(u"only"), Variant(2)}));
  moved = std::move(moved.Array()->At(0));
  EXPECT_EQ(moved, Variant(u"only"));
}

TEST(VariantTest, TypeCodesCarryArrayAndReferenceFlags) {
  Variant value(5);
  EXPECT_EQ(value.TypeCode(), 3);
  EXPECT_EQ(Variant(SafeArray::Vector(2)).TypeCode(), 0x200C);
  EXPECT_EQ(Variant::ArrayWithoutData(VarType::String).TypeCode(), 0x2008);
  EXPECT_EQ(Variant::ReferenceTo(value).TypeCode(), 0x400C);
  EXPECT_EQ(Variant::TypedReferenceTo(value).TypeCode(), 0x4003);
  EXPECT_EQ(Variant::Opaque(36).TypeCode(), 36);
  EXPECT_FALSE(Variant::Opaque(36).IsEmpty());
}

TEST(VariantTest, DereferencedFollowsTheWholeChain) {
  Variant end(u"end");
  Variant middle = Variant::ReferenceTo(end);
  Variant start = Variant::ReferenceTo(middle);
  EXPECT_EQ(&start.Dereferenced(), &end);
  EXPECT_EQ(&end.Dereferenced(), &end);
}

TEST(VariantTest, OrdinalMeansIntegerOfAnyWidthOrBoolean) {
  Variant i4(7);
  EXPECT_TRUE(i4.IsOrdinal());
  EXPECT_TRUE(Variant(true).IsOrdinal());
  EXPECT_TRUE(Variant::UInt(VarType::UI8, 3).IsOrdinal());
  EXPECT_TRUE(Variant::Int(VarType::I1, -3).IsOrdinal());
  EXPECT_TRUE(Variant::ReferenceTo(i4).IsOrdinal());
  EXPECT_FALSE(Variant(1.0).IsOrdinal());
  EXPECT_FALSE(Variant(u"5").IsOrdinal());
  EXPECT_FALSE(Variant().IsOrdinal());
  EXPECT_FALSE(Variant(Currency{10000}).IsOrdinal());
}

TEST(SafeArrayTest, IndexesEveryDimensionWithItsOwnBounds) {
  SafeArray array(VarType::Variant, {{1, 2}, {-1, 3}});
  EXPECT_EQ(array.ElementCount(), 6u);
  const std::int32_t inside[] = {2, 1};
  const std::int32_t below[] = {0, 0};
  const std::int32_t above[] = {1, 2};
  ASSERT_NE(array.Find(inside), nullptr);
  *array.Find(inside) = Variant(42);
  // The first index runs fastest in storage order.
  EXPECT_EQ(array.Elements()[5], Variant(42));
  EXPECT_EQ(array.Find(below), nullptr);
  EXPECT_EQ(array.Find(above), nullptr);
  EXPECT_EQ(array.Find(1), nullptr) << "a one-index lookup on a two-dimensional array";
}

TEST(SafeArrayTest, TypedArraysStartWithTheZeroOfTheirType) {
  SafeArray strings(VarType::String, {{0, 2}});
  EXPECT_EQ(strings.At(0), Variant(WideString()));
  SafeArray integers(VarType::I4, {{0, 1}});
  EXPECT_EQ(integers.At(0), Variant(0));
  EXPECT_THROW(integers.At(1), Exception);
}

}  // namespace
}  // namespace equ
