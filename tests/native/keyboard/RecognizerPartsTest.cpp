#include <gtest/gtest.h>

#include <string>

#include "KeyboardFakes.h"
#include "platform/PlatformPorts.h"
#include "platform/posix/LibXmlDocument.h"
#include "platform/posix/TableKeyTranslator.h"
#include "scanner/keyboard/BaseScanners.h"
#include "scanner/keyboard/CharCodes.h"
#include "scanner/keyboard/EventBuffer.h"
#include "scanner/keyboard/KeyState.h"
#include "scanner/keyboard/ScannerDefinition.h"

namespace equ::testing {
namespace {

struct TextCase {
  const char16_t* input;
  const char16_t* output;
};

class DecodeCharCodesTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(DecodeCharCodesTest, Decodes) {
  EXPECT_EQ(DecodeCharCodes(GetParam().input), GetParam().output);
}

INSTANTIATE_TEST_SUITE_P(Table, DecodeCharCodesTest,
                         ::testing::Values(TextCase{u"", u""}, TextCase{u"abc", u"abc"},
                                           TextCase{u"#013", u"\r"}, TextCase{u"#037#013", u"%\r"},
                                           TextCase{u"#000", u"#000"}, TextCase{u"#13", u"\r"},
                                           TextCase{u"#13A", u"#13A"}, TextCase{u"#", u"#"},
                                           TextCase{u"a#", u"a#"}, TextCase{u"#0131", u"\r1"},
                                           TextCase{u"##013", u"#\r"}, TextCase{u"#-12", u"#-12"},
                                           TextCase{u"#999", u"\u03E7"},
                                           TextCase{u"x#065y", u"xAy"}));

class DeleteCRLFTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(DeleteCRLFTest, RemovesAtMostTwoLineEnds) {
  EXPECT_EQ(DeleteCRLF(GetParam().input), GetParam().output);
}

INSTANTIATE_TEST_SUITE_P(Table, DeleteCRLFTest,
                         ::testing::Values(TextCase{u"123\r\n", u"123"},
                                           TextCase{u"123\n\r\n", u"123\n"}, TextCase{u"\r\n", u""},
                                           TextCase{u"", u""}, TextCase{u"123", u"123"},
                                           TextCase{u"12\n\n", u"12"}, TextCase{u"\r", u""},
                                           TextCase{u"1\r2", u"1\r2"}));

struct MatchCase {
  const char* prefix;
  const char* postfix;
  const char16_t* data;
  TMatch expected;
  const char16_t* scanData;  // after the call; "?" stands for untouched
};

class CheckMatchTest : public ::testing::TestWithParam<MatchCase> {};

TEST_P(CheckMatchTest, Matches) {
  const MatchCase& c = GetParam();
  TScanner scanner(1, c.prefix, c.postfix, *Platform().codePage);
  WideString scanData = u"?";
  EXPECT_EQ(scanner.CheckMatch(c.data, scanData), c.expected);
  EXPECT_EQ(scanData, c.scanData);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CheckMatchTest,
    ::testing::Values(
        MatchCase{"%", "\r", u"", mNone, u"?"}, MatchCase{"%", "\r", u"%", mPrefix, u"?"},
        MatchCase{"%", "\r", u"%A", mPrefix, u"?"}, MatchCase{"%", "\r", u"%AB", mPrefix, u"?"},
        MatchCase{"%", "\r", u"%ABC", mPrefix, u"?"},
        MatchCase{"%", "\r", u"%ABC\r", mMatch, u"ABC"},
        MatchCase{"%", "\r", u"%\r", mPrefix, u"?"}, MatchCase{"%", "\r", u"x", mNone, u"?"},
        MatchCase{"%", "\r", u"xA\r", mNone, u"?"}, MatchCase{"%%", "\r", u"%x", mNone, u"?"},
        MatchCase{"%%", "\r", u"%", mPrefix, u"?"}, MatchCase{"", "\r", u"A", mPrefix, u"?"},
        MatchCase{"", "\r", u"A\r", mMatch, u"A"}, MatchCase{"", "\r", u"\r", mPrefix, u"?"},
        MatchCase{"%", "", u"%A", mMatch, u"A"}, MatchCase{"", "", u"Z", mMatch, u"Z"},
        MatchCase{"a", "\r", u"AB\r", mNone, u"?"},
        MatchCase{"\xC0", "\r", u"\u0410B\r", mMatch, u"B"}));  // cp1251 'А'

TEST(BaseScanners, AddNumbersDecodesAndCuts) {
  TBaseScanners list(std::make_shared<posix::LibXmlDocument>(), Platform().codePage);
  TScanner* first = list.Add(u"#037", u"#013");
  EXPECT_EQ(first->Number(), 1);
  EXPECT_EQ(first->PrefixAnsi(), "%");
  EXPECT_EQ(first->Postfix(), u"\r");
  TScanner* second = list.Add(WideString(300, u'x'), u"Ж");
  EXPECT_EQ(second->Number(), 2);
  EXPECT_EQ(second->PrefixAnsi().size(), 255u);
  EXPECT_EQ(second->PostfixAnsi(), "\xC6");
  list.SetDesignMode(true);
  EXPECT_EQ(list.Add(u"#037", u"#013")->Prefix(), u"#037");
  EXPECT_EQ(list.Count(), 3);
}

TEST(BaseScanners, ListAccessReplacesDeletesAndRejectsBadIndexes) {
  TBaseScanners list(std::make_shared<posix::LibXmlDocument>(), Platform().codePage);
  list.Add(u"a", u"b");
  EXPECT_EQ(list.Add(std::make_unique<TScanner>(7, "c", "d", *Platform().codePage)), 1);
  EXPECT_EQ(list.Get(1)->Number(), 7);
  EXPECT_EQ(list.Add(nullptr), -1);
  EXPECT_EQ(list.Get(2), nullptr);
  EXPECT_EQ(list.Get(-1), nullptr);
  EXPECT_TRUE(list.Put(0, std::make_unique<TScanner>(9, "e", "f", *Platform().codePage)));
  EXPECT_EQ(list.Get(0)->PrefixAnsi(), "e");
  EXPECT_FALSE(list.Put(5, std::make_unique<TScanner>(9, "e", "f", *Platform().codePage)));
  EXPECT_TRUE(list.Delete(0));
  EXPECT_FALSE(list.Delete(3));
  EXPECT_EQ(list.Count(), 1);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST(EventBuffer, KeepsRecordsInReplayFormAndFlushesInOrder) {
  RecordingKeyInjector injector;
  TEventBuffer buffer(&injector);
  buffer.AddEvent({0x41, 0x1E, 0, 100, 0xDEADBEEFCAFEull});
  buffer.AddEvent({0x2E, 0x53, kRawKeyUp | kRawKeyExtended, 101, 7});
  buffer.AddEvent({0x41, 0x1E, kRawKeyInjected, 102, 8});
  ASSERT_EQ(buffer.Count(), 3);
  EXPECT_EQ(buffer.GetEvent(0)->dwExtraInfo, 0xDEADBEEFCAFEull);
  EXPECT_EQ(buffer.GetEvent(1)->flags, kKeyStrokeUp | kKeyStrokeExtended);
  EXPECT_EQ(buffer.GetEvent(2)->flags, 0u);
  EXPECT_EQ(buffer.GetEvent(3), nullptr);
  EXPECT_EQ(buffer.GetEvent(-1), nullptr);
  EXPECT_TRUE(buffer.PutEvent(2, {0x42, 0x30, kKeyStrokeUp, 9}));
  EXPECT_FALSE(buffer.PutEvent(3, {}));
  buffer.Flush();
  EXPECT_EQ(buffer.Count(), 0);
  ASSERT_EQ(injector.injected.size(), 3u);
  EXPECT_EQ(injector.injected[0].vkCode, 0x41u);
  EXPECT_EQ(injector.injected[1].scanCode, 0x53u);
  EXPECT_EQ(injector.injected[2].vkCode, 0x42u);
  buffer.Flush();
  EXPECT_EQ(injector.injected.size(), 3u);
}

TEST(KeyState, LeftAndRightModifiersMirrorOntoTheGenericKey) {
  KeyboardState state{};
  UpdateKeyState(state, kMsgKeyDown, 0xA0, false);
  EXPECT_EQ(state[0xA0], 0x81);
  EXPECT_EQ(state[0x10], 0x81);
  UpdateKeyState(state, kMsgKeyUp, 0xA0, false);
  EXPECT_EQ(state[0xA0], 0x01);
  EXPECT_EQ(state[0x10], 0x01);
  UpdateKeyState(state, kMsgSysKeyDown, 0xA5, false);
  EXPECT_EQ(state[0x12], 0x81);
  UpdateKeyState(state, kMsgKeyDown, 'A', false);
  UpdateKeyState(state, kMsgKeyDown, 'A', false);
  EXPECT_EQ(state['A'], 0x80);  // the toggle bit flips on every key-down
  UpdateKeyState(state, 0x0100 + 99, 'B', false);
  EXPECT_EQ(state['B'], 0);
  UpdateKeyState(state, kMsgKeyDown, 0x1234, false);  // no key of the state: ignored
}

TEST(KeyState, IgnoredModifiersLeaveTheStateAlone) {
  KeyboardState state{};
  for (std::uint32_t vk : {0x10u, 0x11u, 0x12u, 0xA0u, 0xA1u, 0xA2u, 0xA3u, 0xA4u, 0xA5u}) {
    EXPECT_TRUE(IsModifierKey(vk));
    UpdateKeyState(state, kMsgKeyDown, vk, true);
  }
  EXPECT_EQ(state, KeyboardState{});
  for (std::uint32_t vk : {0x0Fu, 0x13u, 0x14u, 0x9Fu, 0xA6u, 0x5Bu})
    EXPECT_FALSE(IsModifierKey(vk));
}

struct TranslationCase {
  std::uint32_t layout;
  std::uint32_t vk;
  bool shift;
  bool capsLock;
  bool control;
  int count;
  std::uint8_t code;
};

class TableKeyTranslatorTest : public ::testing::TestWithParam<TranslationCase> {};

TEST_P(TableKeyTranslatorTest, Translates) {
  const TranslationCase& c = GetParam();
  KeyboardState state{};
  if (c.shift) state[0x10] = 0x80;
  if (c.capsLock) state[0x14] = 0x01;
  if (c.control) state[0x11] = 0x80;
  std::uint8_t code = 0;
  EXPECT_EQ(posix::TableKeyTranslator().Translate(c.vk, 0, state, c.layout, code), c.count);
  if (c.count == 1) {
    EXPECT_EQ(code, c.code);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, TableKeyTranslatorTest,
    ::testing::Values(TranslationCase{0x04090409, 'A', false, false, false, 1, 'a'},
                      TranslationCase{0x04090409, 'A', true, false, false, 1, 'A'},
                      TranslationCase{0x04090409, 'A', false, true, false, 1, 'A'},
                      TranslationCase{0x04090409, 'A', true, true, false, 1, 'a'},
                      TranslationCase{0x04090409, '5', true, true, false, 1, '%'},
                      TranslationCase{0x04090409, 0x0D, false, false, false, 1, 13},
                      TranslationCase{0x04090409, 'C', false, false, true, 1, 3},
                      TranslationCase{0x04090409, 0x74, false, false, false, 0, 0},
                      TranslationCase{0x04090409, 0xA0, false, false, false, 0, 0},
                      TranslationCase{0x04190419, 'F', false, false, false, 1, 0xE0},
                      TranslationCase{0x04190419, 'F', true, false, false, 1, 0xC0},
                      TranslationCase{0x04190419, 0xC0, false, true, false, 1, 0xA8},
                      TranslationCase{0x04190419, '3', true, false, false, 1, 0xB9},
                      TranslationCase{0x04190419, '1', false, false, false, 1, '1'},
                      TranslationCase{0, 'A', false, false, false, 1, 'a'}));

}  // namespace
}  // namespace equ::testing
