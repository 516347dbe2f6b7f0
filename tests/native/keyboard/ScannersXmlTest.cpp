// The definitions file, through the XML service of the build it runs in (libxml2 in the
// native build, MSXML under Windows).
#include <gtest/gtest.h>

#include "equipment/common/Exceptions.h"
#include "platform/CodePage.h"
#include "platform/PlatformPorts.h"
#include "scanner/keyboard/BaseScanners.h"
#include "scanner/keyboard/KeyboardPorts.h"
#include "scanner/keyboard/ScannerKeyboard.h"

namespace equ {
namespace {

class ScannersXml : public ::testing::Test {
 protected:
  TBaseScanners list{Platform().xml, Platform().codePage};
};

TEST_F(ScannersXml, DesignModeTextsLoadBackDecoded) {
  list.SetDesignMode(true);
  list.Add(u"#037", u"#013");
  list.Add(u"", u"#013#010");
  const WideString xml = list.SaveToXML();
  EXPECT_NE(xml.find(u"<?xml version=\"1.0\" encoding=\"windows-1251\"?>"), WideString::npos);
  EXPECT_NE(xml.find(u"<prefix>#037</prefix>"), WideString::npos) << WideToUtf8(xml);

  TBaseScanners loaded(Platform().xml, Platform().codePage);
  loaded.LoadFromXML(xml);
  ASSERT_EQ(loaded.Count(), 2);
  EXPECT_EQ(loaded.Get(0)->Prefix(), u"%");
  EXPECT_EQ(loaded.Get(0)->Postfix(), u"\r");
  EXPECT_EQ(loaded.Get(1)->Prefix(), u"");
  EXPECT_EQ(loaded.Get(1)->Postfix(), u"\r\n");
  EXPECT_EQ(loaded.Get(1)->Number(), 2);
}

TEST_F(ScannersXml, DecodedControlCharactersAndMarkupSurviveTheRoundTrip) {
  list.Add(u"<&>\"'", u"#013");
  TBaseScanners loaded(Platform().xml, Platform().codePage);
  loaded.LoadFromXML(list.SaveToXML());
  ASSERT_EQ(loaded.Count(), 1);
  EXPECT_EQ(loaded.Get(0)->Prefix(), u"<&>\"'");
  EXPECT_EQ(loaded.Get(0)->Postfix(), u"\r");
}

TEST_F(ScannersXml, CyrillicTextSurvivesTheRoundTrip) {
  if (Platform().codePage->ToAnsi(u"Ж") == "?") GTEST_SKIP() << "ANSI code page has no Cyrillic";
  list.Add(u"Штрих ", u"Ж");
  TBaseScanners loaded(Platform().xml, Platform().codePage);
  loaded.LoadFromXML(list.SaveToXML());
  ASSERT_EQ(loaded.Count(), 1);
  EXPECT_EQ(loaded.Get(0)->Prefix(), u"Штрих ");
  EXPECT_EQ(loaded.Get(0)->Postfix(), u"Ж");
}

TEST_F(ScannersXml, EmptyListIsAnEmptyRoot) {
  const WideString xml = list.SaveToXML();
  EXPECT_NE(xml.find(u"scanners"), WideString::npos);
  EXPECT_EQ(xml.find(u"item"), WideString::npos);
  list.Add(u"x", u"y");
  list.LoadFromXML(xml);
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(ScannersXml, EmptyTextEmptiesTheList) {
  list.Add(u"x", u"y");
  list.LoadFromXML(u"");
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(ScannersXml, OtherNamesOfRootAndItemsStillCount) {
  list.LoadFromXML(
      u"<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<list>\n  <!-- two -->\n"
      u"  <scanner><prefix>A</prefix><postfix>B</postfix></scanner>\n"
      u"  <x><postfix>C</postfix><prefix>D</prefix><prefix>E</prefix></x>\n  <empty/>\n</list>");
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Get(0)->Prefix(), u"A");
  EXPECT_EQ(list.Get(0)->Postfix(), u"B");
  EXPECT_EQ(list.Get(1)->Prefix(), u"D");
  EXPECT_EQ(list.Get(1)->Postfix(), u"C");
  EXPECT_EQ(list.Get(2)->Prefix(), u"");
}

TEST_F(ScannersXml, ParseErrorIsRaisedWithTheListEmptied) {
  list.Add(u"x", u"y");
  EXPECT_THROW(list.LoadFromXML(u"<scanners><item>"), Exception);
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(ScannersXml, ElementsInsteadOfTextAreRaisedAfterTheItemsBefore) {
  EXPECT_THROW(list.LoadFromXML(u"<scanners><item><prefix>A</prefix></item>"
                                u"<item><prefix><b>B</b></prefix></item>"
                                u"<item><prefix>C</prefix></item></scanners>"),
               Exception);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Get(0)->Prefix(), u"A");
}

TEST(ScannerKeyboardXml, ItemWithOnlyAPostfixSwitchesToIntervalMode) {
  TScannerKeyboard channel(KeyboardPortsOf(Platform()));
  channel.Add(u"%", u"#013");
  EXPECT_FALSE(channel.UsesInterCharInterval());
  channel.LoadFromXML(u"<scanners><item><postfix>#013</postfix></item></scanners>");
  ASSERT_EQ(channel.Count(), 1);
  EXPECT_EQ(channel.Get(0)->Postfix(), u"\r");
  EXPECT_TRUE(channel.UsesInterCharInterval());
  channel.LoadFromXML(u"<scanners/>");
  EXPECT_FALSE(channel.UsesInterCharInterval());
}

}  // namespace
}  // namespace equ
