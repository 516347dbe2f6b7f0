// The integrator's guide (docs/integrating.md) quotes the driver's texts in guillemets, «like
// this»: each quotation must be the driver's own text, word for word, so that a host developer
// can search for what the driver shows. An ellipsis "…" in a quotation stands for what the
// driver fills in (a port number, a count); each piece around it must be a text of the driver. The
// texts come from the result-code table, the named constants of the driver, and the string literals
// of the driver's sources (a message assembled from adjacent literals counts as one).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "equipment/common/BaseDevice.h"
#include "equipment/common/ResultCodes.h"
#include "equipment/common/WideString.h"
#include "scanner/Driver.h"

namespace equ {
namespace {

const std::filesystem::path kSourceDir = EQU_SOURCE_DIR;

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// Blanks and line breaks inside a quotation are one blank: Markdown wraps long lines.
std::string Collapsed(const std::string& text) {
  std::string out;
  for (char c : text) {
    const bool blank = c == ' ' || c == '\n' || c == '\r' || c == '\t';
    if (blank && (out.empty() || out.back() == ' ')) continue;
    out += blank ? ' ' : c;
  }
  if (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

constexpr std::string_view kOpen = "«";
constexpr std::string_view kClose = "»";

// The quotations with where each starts. Searched as byte strings: a regular expression's
// [^»] would be a class of the two bytes of "»", one of which is also the second byte of "л".
std::vector<std::pair<std::size_t, std::string>> QuotationsAt(const std::string& guide) {
  std::vector<std::pair<std::size_t, std::string>> quotes;
  for (std::size_t open = guide.find(kOpen); open != std::string::npos;
       open = guide.find(kOpen, open + 1)) {
    const std::size_t start = open + kOpen.size();
    const std::size_t close = guide.find(kClose, start);
    if (close == std::string::npos) break;
    quotes.emplace_back(open, Collapsed(guide.substr(start, close - start)));
  }
  return quotes;
}

std::vector<std::string> GuideQuotations(const std::string& guide) {
  std::vector<std::string> quotes;
  for (auto& [at, quote] : QuotationsAt(guide)) quotes.push_back(std::move(quote));
  return quotes;
}

// The u"..." literals of a source text; literals separated only by blanks are joined, as the
// compiler joins them.
std::vector<std::string> SourceLiterals(const std::string& source) {
  std::vector<std::string> literals;
  std::string current;
  bool joining = false;
  std::size_t i = 0;
  while (i < source.size()) {
    const bool literalStart = source.compare(i, 2, "u\"") == 0 &&
                              (i == 0 || !std::isalnum(static_cast<unsigned char>(source[i - 1])));
    if (!literalStart) {
      const char c = source[i];
      if (joining && c != ' ' && c != '\n' && c != '\r' && c != '\t') {
        literals.push_back(current);
        current.clear();
        joining = false;
      }
      ++i;
      continue;
    }
    for (i += 2; i < source.size() && source[i] != '"'; ++i) {
      if (source[i] == '\\' && i + 1 < source.size()) ++i;  // \" and \\ stand for themselves
      current += source[i];
    }
    ++i;
    joining = true;
  }
  if (joining) literals.push_back(current);
  return literals;
}

std::set<std::string> DriverTexts() {
  std::set<std::string> texts;
  for (std::int32_t code = 0; code < 100000; ++code) {
    if (const char16_t* text = FindResultText(code)) texts.insert(WideToUtf8(text));
  }
  texts.insert(WideToUtf8(TDriver::kSecondKeyboardScanner));
  texts.insert(WideToUtf8(TBaseDevice::kManagerUnavailable));
  for (const char* folder : {"lib", "scanner"}) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(kSourceDir / folder)) {
      const auto extension = entry.path().extension();
      if (extension != ".cpp" && extension != ".h") continue;
      for (std::string& literal : SourceLiterals(ReadFile(entry.path()))) {
        texts.insert(Collapsed(literal));
      }
    }
  }
  return texts;
}

constexpr std::string_view kFilledIn = "…";

// The pieces of a quotation around its ellipses, blanks trimmed; empty pieces are left out.
std::vector<std::string> Pieces(const std::string& quote) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = quote.find(kFilledIn, start);
    std::string piece =
        Collapsed(quote.substr(start, end == std::string::npos ? end : end - start));
    if (!piece.empty()) pieces.push_back(std::move(piece));
    if (end == std::string::npos) return pieces;
    start = end + kFilledIn.size();
  }
}

class GuideMessages : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    guide_ = new std::string(ReadFile(kSourceDir / "docs" / "integrating.md"));
  }
  static void TearDownTestSuite() {
    delete guide_;
    guide_ = nullptr;
  }
  static const std::string& Guide() { return *guide_; }

 private:
  static inline std::string* guide_ = nullptr;
};

TEST_F(GuideMessages, the_literal_reader_joins_adjacent_literals_and_keeps_escapes) {
  const auto literals = SourceLiterals(
      "x = u\"Ошибка входных: \"\n    u\"двумерный\"; y = u\"ООО \\\"МОВАК\\\"\"; z(menu\"no\");");
  ASSERT_EQ(literals.size(), 2u);
  EXPECT_EQ(literals[0], "Ошибка входных: двумерный");
  EXPECT_EQ(literals[1], "ООО \"МОВАК\"");
}

TEST_F(GuideMessages, an_ellipsis_splits_a_quotation_into_the_drivers_pieces) {
  EXPECT_EQ(Pieces("Связь потеряна: порт COM… недоступен"),
            (std::vector<std::string>{"Связь потеряна: порт COM", "недоступен"}));
  EXPECT_EQ(Pieces("Dropped … bytes"), (std::vector<std::string>{"Dropped", "bytes"}));
  EXPECT_EQ(Pieces("Нет ошибок"), (std::vector<std::string>{"Нет ошибок"}));
}

TEST_F(GuideMessages, every_quotation_is_a_text_of_the_driver) {
  ASSERT_FALSE(Guide().empty()) << "docs/integrating.md is readable";
  const std::vector<std::string> quotes = GuideQuotations(Guide());
  ASSERT_GE(quotes.size(), 10u) << "the guide quotes the driver's messages in «»";
  const std::set<std::string> texts = DriverTexts();
  for (const std::string& quote : quotes) {
    const std::vector<std::string> pieces = Pieces(quote);
    EXPECT_FALSE(pieces.empty()) << "«" << quote << "» quotes something";
    for (const std::string& piece : pieces) {
      EXPECT_TRUE(texts.contains(piece))
          << "«" << quote << "»: \"" << piece << "\" is not a text of the driver";
    }
  }
}

// A row "| 1011 | «Порт недоступен» | ..." of the guide's result-code table gives the table's
// text of that code.
TEST_F(GuideMessages, the_result_code_rows_give_the_tables_text_of_their_code) {
  static const std::regex rowStart(R"(\| (\d+) \| $)");
  int rows = 0;
  for (const auto& [at, quote] : QuotationsAt(Guide())) {
    const std::size_t lineStart = Guide().rfind('\n', at) + 1;
    std::smatch match;
    const std::string before = Guide().substr(lineStart, at - lineStart);
    if (!std::regex_match(before, match, rowStart)) continue;
    ++rows;
    const std::int32_t code = std::stoi(match[1].str());
    const char16_t* text = FindResultText(code);
    ASSERT_NE(text, nullptr) << "code " << code << " is in the result-code table";
    EXPECT_EQ(quote, WideToUtf8(text)) << "the guide's text of code " << code;
  }
  EXPECT_GE(rows, 5) << "the guide has its table of the result codes a host meets";
}

// The messages a host developer searches for when a call fails are quoted where the guide
// tells what to do about them.
TEST_F(GuideMessages, the_messages_of_the_troubleshooting_cases_are_quoted) {
  const std::vector<std::string> quotes = GuideQuotations(Guide());
  const auto quoted = [&quotes](std::u16string_view text) {
    return std::find(quotes.begin(), quotes.end(), WideToUtf8(text)) != quotes.end();
  };
  EXPECT_TRUE(quoted(TDriver::kSecondKeyboardScanner)) << "the second keyboard scanner's refusal";
  EXPECT_TRUE(quoted(TBaseDevice::kManagerUnavailable)) << "Open without a manager";
  EXPECT_TRUE(quoted(FindResultText(kResultBufferEmpty))) << "the empty queue";
  EXPECT_TRUE(quoted(FindResultText(kResultPortUnavailable))) << "the port that does not open";
}

}  // namespace
}  // namespace equ
