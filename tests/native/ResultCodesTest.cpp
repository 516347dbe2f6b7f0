#include <gtest/gtest.h>

#include "equipment/common/Exceptions.h"
#include "equipment/common/ResultCodes.h"

namespace equ {
namespace {

struct DescriptionCase {
  std::int32_t code;
  const char16_t* own;
  const char16_t* fallback;
  const char16_t* expected;
};

void PrintTo(const DescriptionCase& c, std::ostream* os) {
  *os << c.code;
}

class ResultDescriptionTest : public ::testing::TestWithParam<DescriptionCase> {};

TEST_P(ResultDescriptionTest, ChoosesOwnTableFallbackOrUnknown) {
  const DescriptionCase& c = GetParam();
  EXPECT_EQ(WideToUtf8(GetResultDescription(c.code, c.own, c.fallback)), WideToUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Table, ResultDescriptionTest,
    ::testing::Values(
        DescriptionCase{0, u"что-то пошло не так", u"", u"Нет ошибок"},
        DescriptionCase{0, u"", u"", u"Нет ошибок"},
        DescriptionCase{1011, u"COM7 не открыт", u"", u"COM7 не открыт"},
        DescriptionCase{1011, u"", u"", u"Порт недоступен"},
        DescriptionCase{1011, u"", u"запасной", u"Порт недоступен"},
        DescriptionCase{1021, u"", u"", u"Неизвестная ошибка"},
        DescriptionCase{1021, u"", u"запасной", u"запасной"},
        DescriptionCase{1021, u"свой", u"запасной", u"свой"},
        DescriptionCase{-5, u"", u"", u"Неизвестная ошибка"},
        DescriptionCase{3016, u"", u"", u"Неизвестная ошибка"},
        DescriptionCase{4009, u"", u"", u"Неизвестная ошибка"},
        DescriptionCase{2001, u"", u"", u"Буфер данных пуст"},
        DescriptionCase{8001, u"", u"", u"Буфер данных пуст"},
        DescriptionCase{99001, u"", u"", u"Ошибок нет"},
        DescriptionCase{99115, u"", u"",
                        u"Специфичная для данного класса устройств ошибка. Расширенная "
                        u"информация в дополнительном описании ошибки"},
        DescriptionCase{16002, u"", u"",
                        u"Кофемашина в сосотояни ожидания запроса на приготовление продукта"}));

TEST(ResultTableTest, HoldsExactlyTheListedRows) {
  int rows = 0;
  for (std::int32_t code = -1000; code <= 100000; ++code) {
    if (FindResultText(code) != nullptr) ++rows;
  }
  EXPECT_EQ(rows, 91);
  EXPECT_EQ(FindResultText(1), nullptr);
  EXPECT_EQ(FindResultText(3016), nullptr);
}

TEST(EquExceptionTest, CarriesCodeMessageAndClassName) {
  try {
    throw EquException(1011, u"Порт недоступен");
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Порт недоступен");
    EXPECT_EQ(WideString(e.ClassName()), u"EquException");
    EXPECT_EQ(dynamic_cast<const EquException&>(e).Code(), 1011);
    EXPECT_STREQ(e.what(), "Порт недоступен");
  }
}

}  // namespace
}  // namespace equ
