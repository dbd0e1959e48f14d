#include "host/terminal_renderer.h"

#include <gtest/gtest.h>

#include <sstream>

#include "widget/cable_widget_view.h"
#include "widget/sample_snapshot.h"
#include "host/terminal_text.h"
#include "widget_test_support.h"

namespace plugscope {
namespace {

using test::port;

std::vector<std::string> renderLines(const CableEntry& entry, WidgetFamily family, bool colours,
                                     const StringTable& strings = test::MapStrings()) {
  std::ostringstream out;
  TerminalRenderer(colours).render(cableWidgetView(entry, family), family, strings,
                                  test::englishTexts(), out);
  std::vector<std::string> lines;
  std::istringstream in(out.str());
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(TerminalText, UnsafeCharactersNeverReachTheTerminal) {
  struct Row {
    const char* name;
    std::string input;
    std::string expected;
  };
  const Row rows[] = {
      {"escape sequence",
       "Evil\x1b]0;owned\x07"
       "Disk",
       "Evil\uFFFD]0;owned\uFFFDDisk"},
      {"C1 control (CSI)", "a\u009b2Jb", "a\uFFFD2Jb"},
      {"delete",
       "a\x7f"
       "b",
       "a\uFFFDb"},
      {"invalid UTF-8",
       "a\xff"
       "b",
       "a\uFFFDb"},
      {"line breaks and tabs", "a\nb\tc\rd", "a b c d"},
      {"plain and accented", "Caf\u00e9 \u00b7 ok", "Caf\u00e9 \u00b7 ok"},
  };
  for (const auto& row : rows) EXPECT_EQ(terminalSafeText(row.input), row.expected) << row.name;
}

TEST(TerminalText, WidthsAndTruncation) {
  EXPECT_EQ(displayWidth("iPhone"), 6);
  EXPECT_EQ(displayWidth("\u65e5\u672c"), 4);         // two wide characters
  EXPECT_EQ(displayWidth("e\u0301"), 1);              // e + combining acute
  EXPECT_EQ(truncateToWidth("iPhone", 6), "iPhone");  // fits exactly
  EXPECT_EQ(truncateToWidth("iPhone", 5), "iPho\u2026");
  EXPECT_EQ(truncateToWidth("\u65e5\u672c\u8a9e", 4), "\u65e5\u2026");  // no half characters
  EXPECT_EQ(truncateToWidth("e\u0301e\u0301e\u0301", 2), "e\u0301\u2026");
  EXPECT_EQ(truncateToWidth("abc", 0), "");
  EXPECT_EQ(wrapToWidth("Keine USB-C-Anschl\u00fcsse gefunden", 20),
            (std::vector<std::string>{"Keine", "USB-C-Anschl\u00fcsse", "gefunden"}));
  EXPECT_EQ(wrapToWidth("abcdefgh", 3), (std::vector<std::string>{"abc", "def", "gh"}));
}

// Every line of a wrapped text fits the width, nothing is lost but the
// spaces where lines break, and a line takes every word that would fit.
TEST(TerminalText, WrappedLinesFitTheWidthAndKeepEveryCharacter) {
  const std::string texts[] = {
      "Charging the Mac \u00b7 96 W",
      "Thunderbolt, USB 3, USB 2 \u00b7 Smart cable \u00b7 1.1 W",
      "Keine USB-C-Anschl\u00fcsse gefunden",
      "ab cd ef gh ij",
      "a bb ccc dddd eeeee",
      "\u65e5\u672c \u8a9e\u65e5 \u672c",
      "e\u0301e\u0301 e\u0301 e\u0301e\u0301e\u0301",
      "Averyveryverylongdevicename",
  };
  const auto withoutSpaces = [](std::string text) {
    std::erase(text, ' ');
    return text;
  };
  const auto firstWord = [](const std::string& line) { return line.substr(0, line.find(' ')); };
  for (const std::string& text : texts) {
    for (int width = 2; width <= 30; ++width) {
      const std::vector<std::string> lines = wrapToWidth(text, width);
      const std::string where = "\"" + text + "\" in " + std::to_string(width);
      std::string joined;
      for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_LE(displayWidth(lines[i]), width) << where << ": \"" << lines[i] << "\"";
        joined += lines[i];
        if (i + 1 == lines.size()) continue;
        const std::string next = firstWord(lines[i + 1]);
        if (displayWidth(next) <= width) {
          EXPECT_GT(displayWidth(lines[i]) + 1 + displayWidth(next), width)
              << where << ": \"" << next << "\" would fit after \"" << lines[i] << "\"";
        }
      }
      EXPECT_EQ(withoutSpaces(joined), withoutSpaces(text)) << where;
    }
  }
}

TEST(TerminalRenderer, BoxHasTheFamilysSizeWhateverTheContent) {
  std::vector<PortStatus> many;
  for (int i = 1; i <= 20; ++i) {
    PortStatus p = port(i, true);
    p.device = std::string(200, 'x');
    many.push_back(p);
  }
  for (auto family : {WidgetFamily::small, WidgetFamily::medium, WidgetFamily::large}) {
    const TerminalBoxSize size = terminalBoxSize(family);
    for (const Snapshot& snapshot : {Snapshot{many, 96, {}}, Snapshot{}}) {
      const auto lines = renderLines(CableEntry{{}, snapshot}, family, false);
      ASSERT_EQ(lines.size(), static_cast<std::size_t>(size.rows)) << familyName(family);
      for (const auto& line : lines) EXPECT_EQ(displayWidth(line), size.columns) << line;
    }
  }
  // Proportions: medium is about twice as wide as small; large as wide as
  // medium and about twice as high.
  EXPECT_EQ(terminalBoxSize(WidgetFamily::small).rows, terminalBoxSize(WidgetFamily::medium).rows);
  EXPECT_GT(terminalBoxSize(WidgetFamily::medium).columns,
            2 * terminalBoxSize(WidgetFamily::small).columns - 4);
  EXPECT_GT(terminalBoxSize(WidgetFamily::large).rows,
            2 * terminalBoxSize(WidgetFamily::medium).rows - 2);
}

// The box's inner text of one row, border and margins taken off.
std::string innerText(const std::string& line) {
  const std::string border = "\u2502 ";
  if (line.size() < 2 * border.size()) return line;
  return line.substr(border.size(), line.size() - 2 * border.size());
}

// One- and two-cell characters in a frame one column wide, put at every
// column near the box's right edge: a character is drawn whole where it
// fits and left out where it does not, and no row grows. Run under the
// sanitizers, this also sees a write past a row's end.
TEST(TerminalRenderer, ACharacterAtTheRightEdgeIsDrawnWholeOrNotAtAll) {
  const WidgetFamily family = WidgetFamily::small;
  const TerminalBoxSize box = terminalBoxSize(family);
  const int inner = box.columns - 4;
  struct Row {
    const char* name;
    std::string character;
    int width;
  };
  const Row rows[] = {
      {"a letter", "x", 1},
      {"a letter and a combining accent", "e\u0301", 1},
      {"a wide CJK character", "\u65e5", 2},
      {"a wide emoji", "\U0001F50C", 2},
  };
  for (const Row& row : rows) {
    for (int margin = 0; margin <= 3; ++margin) {
      const int column = inner - 1 - margin;
      // The line at the top, as wide as the box: a flexible spacer, then
      // the character's frame with `margin` columns after it. Below it a
      // spacer takes the height.
      std::vector<ViewNode> line;
      line.push_back(spacer(0));
      line.push_back(text(TextContent::verbatim(row.character))
                         .frame(8, 16)
                         .padding(Edges::trailing, margin * 8.0));
      std::vector<ViewNode> rows;
      rows.push_back(hStack(Alignment::top, 0, std::move(line)));
      rows.push_back(spacer(0));
      std::ostringstream out;
      TerminalRenderer(false).render(vStack(Alignment::leading, 0, std::move(rows)), family,
                                     test::MapStrings(), test::englishTexts(), out);
      std::vector<std::string> lines;
      std::istringstream in(out.str());
      for (std::string each; std::getline(in, each);) lines.push_back(each);
      const std::string where = std::string(row.name) + " at column " + std::to_string(column);
      ASSERT_EQ(lines.size(), static_cast<std::size_t>(box.rows)) << where;
      for (const auto& each : lines) EXPECT_EQ(displayWidth(each), box.columns) << where;
      const bool fits = column + row.width <= inner;
      const std::string expected =
          fits ? std::string(static_cast<std::size_t>(column), ' ') + row.character +
                     std::string(static_cast<std::size_t>(inner - column - row.width), ' ')
               : std::string(static_cast<std::size_t>(inner), ' ');
      EXPECT_EQ(innerText(lines[1]), expected) << where;
    }
  }
}

TEST(TerminalRenderer, PlainTextShowsDotsBadgeAndCutsLongLines) {
  PortStatus phone = port(1, true);
  phone.speed = "10 Gbps";
  phone.device = "A device with a very long name indeed, longer than any widget";
  const Snapshot snapshot{{phone, port(2, false)}, 96, {}};
  const auto lines = renderLines(CableEntry{{}, snapshot}, WidgetFamily::medium, false);
  const int inner = terminalBoxSize(WidgetFamily::medium).columns - 4;
  EXPECT_EQ(lines[1], "\u2502 \u2301 Cables" + std::string(inner - 14, ' ') + "\u21af 96 W \u2502");
  EXPECT_EQ(lines[3], "\u2502 \u25cf USB-C 1 (10 Gbps)" + std::string(inner - 19, ' ') + " \u2502");
  // The state line is cut with an ellipsis at the box's inner edge.
  EXPECT_EQ(lines[4].find("\u2502   A device with a very long name"), 0u);
  EXPECT_NE(lines[4].find("\u2026 \u2502"), std::string::npos);
  EXPECT_EQ(displayWidth(lines[4]), terminalBoxSize(WidgetFamily::medium).columns);
  EXPECT_EQ(lines[6], "\u2502 \u25cb USB-C 2" + std::string(inner - 9, ' ') + " \u2502");
  for (const auto& line : lines) EXPECT_EQ(line.find('\x1b'), std::string::npos);
}

// Four empty ports take two lines each; the medium box holds ten: the
// header, two rows and the line that counts the two left out, each after a
// blank line. The third row would fit alone, but not with that line.
TEST(TerminalRenderer, RowsThatDoNotFitWholeAreLeftOutAndCounted) {
  const Snapshot snapshot{{port(1, false), port(2, false), port(3, false), port(4, false)},
                          std::nullopt,
                          {}};
  const auto lines = renderLines(CableEntry{{}, snapshot}, WidgetFamily::medium, false);
  const int inner = terminalBoxSize(WidgetFamily::medium).columns - 4;
  const auto padded = [&](const std::string& text) {
    return text + std::string(static_cast<std::size_t>(inner - displayWidth(text)), ' ');
  };
  std::vector<std::string> inside;
  for (std::size_t i = 1; i + 1 < lines.size(); ++i) inside.push_back(innerText(lines[i]));
  EXPECT_EQ(inside, (std::vector<std::string>{
                        padded("\u2301 Cables"), padded(""), padded("\u25cb USB-C 1"),
                        padded("  Nothing plugged in"), padded(""), padded("\u25cb USB-C 2"),
                        padded("  Nothing plugged in"), padded(""), padded("2 ports not shown"),
                        padded("")}));
}

TEST(TerminalRenderer, AnsiDrawsStylesAndNothingFromTheDataAsEscapes) {
  PortStatus p = port(1, true);
  p.speed = "40 Gbps";
  p.device = "Dock\x1b[31m";
  const auto lines = renderLines(CableEntry{{}, Snapshot{{p, port(2, false)}, std::nullopt, {}}},
                                 WidgetFamily::large, true);
  std::string all;
  for (const auto& line : lines) all += line + "\n";
  EXPECT_NE(all.find("\x1b[1mCables\x1b[0m"), std::string::npos);          // bold title
  EXPECT_NE(all.find("\x1b[32m\u25cf\x1b[0m"), std::string::npos);         // green dot
  EXPECT_NE(all.find("\x1b[2m\u25cf\x1b[0m"), std::string::npos);          // dimmed dot
  EXPECT_NE(all.find("\x1b[1;100m40 Gbps\x1b[0m"), std::string::npos);     // badge
  EXPECT_NE(all.find("\x1b[2mDock\uFFFD[31m\x1b[0m"), std::string::npos);  // dimmed, defused
  EXPECT_EQ(all.find("\x1b[31m"), std::string::npos);
}

TEST(TerminalRenderer, SmallFamilyIsCompactAndTranslated) {
  PortStatus p = port(1, true);
  p.protocols = {"USB 3"};
  p.powerIn = true;
  const test::MapStrings german(
      {{"Cables", "Kabel"}, {"Charging the Mac \u00b7 %lld W", "L\u00e4dt den Mac \u00b7 %lld W"}});
  const auto lines =
      renderLines(CableEntry{{}, Snapshot{{p}, 30, {}}}, WidgetFamily::small, false, german);
  std::string all;
  for (const auto& line : lines) all += line + "\n";
  EXPECT_NE(all.find("Kabel"), std::string::npos);
  EXPECT_NE(all.find("\u21af L\u00e4dt den Mac"), std::string::npos);
  EXPECT_EQ(all.find("USB 3"), std::string::npos);  // no detail line when compact
}

}  // namespace
}  // namespace plugscope
