#include <gtest/gtest.h>

#include "platform/PlatformPorts.h"
#include "scanner/serial/SerialText.h"

namespace equ {
namespace {

struct EndsCase {
  const char* text;
  const char* expected;
};

class EndsWithAnyTest : public ::testing::TestWithParam<EndsCase> {};

TEST_P(EndsWithAnyTest, AnswersTheFirstMatchingCandidate) {
  EXPECT_EQ(EndsWithAny(GetParam().text, {"\r\n", "\r", "\n"}), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, EndsWithAnyTest,
                         ::testing::Values(EndsCase{"123\r\n", "\r\n"}, EndsCase{"123\r", "\r"},
                                           EndsCase{"123\n", "\n"}, EndsCase{"123\n\r", "\r"},
                                           EndsCase{"123", ""}, EndsCase{"", ""}));

struct NameCase {
  std::string bytes;
  const char16_t* expected;
};

class ControlCharNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(ControlCharNameTest, NamesControlBytesAndKeepsTheRest) {
  EXPECT_EQ(WideToUtf8(ControlCharName(GetParam().bytes, *Platform().codePage)),
            WideToUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Table, ControlCharNameTest,
    ::testing::Values(NameCase{"123\r\n", u"123[CR][LF]"}, NameCase{"\t x", u"[TAB] x"},
                      NameCase{std::string("\0\x1f\x1b", 3), u"[NUL][US][ESC]"},
                      NameCase{"\x02"
                               "A\x03",
                               u"[STX]A[ETX]"},
                      NameCase{"\xc0\xe1\r", u"Аб[CR]"}, NameCase{"", u""}));

struct HexCase {
  const char* hex;
  std::string expected;
};

class HexToStrTest : public ::testing::TestWithParam<HexCase> {};

TEST_P(HexToStrTest, ReadsPairsOfHexDigits) {
  EXPECT_EQ(HexToStr(GetParam().hex), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, HexToStrTest,
                         ::testing::Values(HexCase{"0D0A", "\r\n"}, HexCase{" 0d 0a ", "\r\n"},
                                           HexCase{"41424", "AB"}, HexCase{"zz41", {"\0A", 2}},
                                           HexCase{"", ""}, HexCase{"C0", "\xc0"}));

TEST(HexToStrTest, StopsAt255Bytes) {
  EXPECT_EQ(HexToStr(std::string(600, '4')).size(), 255u);
}

TEST(TrimControlTest, DropsBytesBelow33AtBothEnds) {
  EXPECT_EQ(TrimControl(std::string("\0 \r12 3\x01\n", 9)), "12 3");
  EXPECT_EQ(TrimControlLeft("\r\n12\r"), "12\r");
  EXPECT_EQ(TrimControl("\r\n"), "");
}

}  // namespace
}  // namespace equ
