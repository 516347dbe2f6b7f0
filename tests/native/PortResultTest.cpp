#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/PortResult.h"

namespace equ {
namespace {

PortResult<std::unique_ptr<int>> MakeValue(bool fail) {
  if (fail) return PortFailure(u"Отказано в доступе.");
  return std::make_unique<int>(7);
}

TEST(PortResultTest, ASuccessCarriesItsValueAndNoText) {
  PortResult<std::unique_ptr<int>> result = MakeValue(false);
  ASSERT_TRUE(result);
  EXPECT_TRUE(result.ok());
  EXPECT_EQ(**result, 7);
  EXPECT_TRUE(result.error().empty());
  std::unique_ptr<int> taken = std::move(*result);
  EXPECT_EQ(*taken, 7);
}

TEST(PortResultTest, AFailureCarriesThePlatformsText) {
  const PortResult<std::unique_ptr<int>> result = MakeValue(true);
  EXPECT_FALSE(result);
  EXPECT_EQ(result.error(), u"Отказано в доступе.");
}

TEST(PortResultTest, AValueThatIsAlsoTextIsAValueNotAnError) {
  const PortResult<WideString> text = WideString(u"C:\\ProgramData");
  ASSERT_TRUE(text);
  EXPECT_EQ(*text, u"C:\\ProgramData");
  const PortResult<WideString> failed = PortFailure(u"нет папки");
  EXPECT_FALSE(failed);
  EXPECT_EQ(failed.error(), u"нет папки");
}

TEST(PortResultTest, AStatusIsASuccessUnlessMadeFromAFailure) {
  const PortStatus done;
  EXPECT_TRUE(done);
  const PortStatus failed = PortFailure(u"Устройство не найдено.");
  EXPECT_FALSE(failed);
  EXPECT_EQ(failed.error(), u"Устройство не найдено.");
}

}  // namespace
}  // namespace equ
