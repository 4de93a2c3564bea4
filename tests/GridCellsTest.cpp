#include "controls/GridCells.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

/// One line per 13 px, a character 6 px wide: enough to see rows follow text.
class FakeMeasurer final : public TextMeasurer {
public:
    int WrappedTextHeight(std::string_view text, int widthPx) const override {
        const int perLine = std::max(1, widthPx / 6);
        int lines = 0;
        std::size_t start = 0;
        while (start <= text.size()) {
            std::size_t end = text.find("\r\n", start);
            if (end == std::string_view::npos) {
                end = text.size();
            }
            const int chars = static_cast<int>(end - start);
            lines += std::max(1, (chars + perLine - 1) / perLine);
            start = end + 2;
        }
        return 13 * lines;
    }
};

TEST(GridCells, AccessOutsideTheGridFailsAndCreatesNothing) {
    GridCells grid;
    EXPECT_THROW(grid.Cell(20, 0), GridIndexOutOfRange);
    EXPECT_THROW(grid.Cell(0, grid.RowCount()), GridIndexOutOfRange);
    EXPECT_THROW(grid.Cell(-1, 0), GridIndexOutOfRange);
    EXPECT_THROW(grid.SetCellText(0, -1, "x"), GridIndexOutOfRange);
    EXPECT_TRUE(grid.Cells().empty());
    try {
        grid.Cell(20, 0);
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "Grid index out of range");
    }
}

TEST(GridCells, TextsAreStoredWithCrLf) {
    GridCells grid;
    const struct {
        const char* in;
        const char* stored;
    } cases[] = {
        {"", ""}, {"a\nb", "a\r\nb"}, {"a\rb", "a\r\nb"}, {"a\r\nb", "a\r\nb"}, {"a\r", "a\r\n"}};
    for (const auto& c : cases) {
        grid.SetCellText(3, 3, c.in);
        EXPECT_EQ(grid.Cell(3, 3).Value, c.stored) << c.in;
    }
}

TEST(GridCells, BackgroundEqualToTheInheritedOneKeepsInheriting) {
    GridCells grid;
    grid.SetCellBackground(4, 0, colour::kButtonFace); // FixedColor of a header cell
    EXPECT_FALSE(grid.Cell(4, 0).OwnColor);
    grid.MutableSettings().FixedColor = colour::kWhite;
    EXPECT_EQ(grid.EffectiveColor(grid.Cell(4, 0)), colour::kWhite);

    grid.SetCellBackground(4, 5, colour::kNone);
    grid.SetCellBackground(4, 5, colour::kDefault);
    EXPECT_FALSE(grid.Cell(4, 5).OwnColor);
    grid.SetCellBackground(4, 5, colour::kYellow);
    EXPECT_TRUE(grid.Cell(4, 5).OwnColor);
    EXPECT_EQ(grid.EffectiveColor(grid.Cell(4, 5)), colour::kYellow);
}

TEST(GridCells, AlignmentAndFontColourChangeOnlyWhenDifferent) {
    GridCells grid;
    grid.SetCellText(1, 4, "text");
    grid.SetAlignment(1, 4, kAlignLeft);
    EXPECT_FALSE(grid.Cell(1, 4).OwnAlignment);
    grid.SetAlignment(1, 4, kAlignCentre);
    EXPECT_EQ(grid.Cell(1, 4).Alignment, HorizontalAlignment::haCenter);
    grid.SetCellFontColor(1, 4, colour::kWindowText);
    EXPECT_FALSE(grid.Cell(1, 4).OwnFont);
    grid.SetCellFontColor(1, 4, colour::kBlack);
    EXPECT_TRUE(grid.Cell(1, 4).OwnFont);
    EXPECT_EQ(grid.EffectiveFontColor(grid.Cell(1, 4)), colour::kBlack);
}

TEST(GridCells, MergeKeepsTheTopLeftCell) {
    GridCells grid;
    grid.SetCellText(2, 0, "Cygnus-A");
    grid.SetCellBackground(2, 0, 0x00E2E2E2);
    grid.SetCellBackground(3, 0, colour::kYellow); // lost in the merge
    ASSERT_TRUE(grid.MergeCells(2, 3, 0, ""));
    const GridCell& merged = grid.Cell(3, 0);
    EXPECT_EQ(merged.AbsoluteCol, 2);
    EXPECT_EQ(merged.AddCols, 1);
    EXPECT_EQ(merged.Value, "Cygnus-A");
    EXPECT_EQ(grid.EffectiveColor(merged), 0x00E2E2E2U);
    EXPECT_FALSE(grid.MergeCells(2, 3, 0, ""));

    // Setters on any covered position act on the merged cell.
    grid.SetCellText(3, 0, "Taurus-A");
    EXPECT_EQ(grid.Cell(2, 0).Value, "Taurus-A");
}

TEST(GridCells, MergeJoinsTextsAndRefusesBadRanges) {
    GridCells grid;
    grid.SetCellText(0, 5, "Thursday ");
    grid.SetCellText(1, 5, "1/1/");
    grid.SetCellText(2, 5, "2015");
    ASSERT_TRUE(grid.MergeCells(0, 2, 5, ""));
    EXPECT_EQ(grid.Cell(1, 5).Value, "Thursday 1/1/2015");

    EXPECT_FALSE(grid.MergeRect(4, 1, 4, 2, "", "")); // header and data
    EXPECT_FALSE(grid.MergeCells(5, 5, 3, ""));       // a single cell
    EXPECT_FALSE(grid.MergeCells(18, 20, 3, ""));     // beyond the last column
    EXPECT_FALSE(grid.MergeCells(3, 2, 3, ""));       // reversed
    EXPECT_FALSE(grid.MergeCells(0, 1, grid.RowCount(), ""));

    // A merge that meets an existing span grows to cover it.
    ASSERT_TRUE(grid.MergeCells(2, 3, 7, ""));
    ASSERT_TRUE(grid.MergeCells(3, 4, 7, ""));
    EXPECT_EQ(grid.Cell(4, 7).AbsoluteCol, 2);
    EXPECT_EQ(grid.Cell(4, 7).AddCols, 2);
}

TEST(GridCells, RowCountCutsAndRegrowsEmpty) {
    GridCells grid;
    for (int r = 0; r < 30; ++r) {
        grid.SetCellText(0, r, "r" + std::to_string(r));
        grid.SetCellBackground(0, r, colour::kYellow);
    }
    ASSERT_TRUE(grid.MergeRect(5, 2, 5, 5, "", ""));
    grid.SetRowCount(4);
    EXPECT_EQ(grid.RowCount(), 4);
    EXPECT_EQ(grid.Cell(5, 3).AddRows, 1); // cut to rows 2..3
    grid.SetRowCount(10);
    EXPECT_TRUE(grid.Cell(0, 6).Value.empty());
    EXPECT_EQ(grid.EffectiveColor(grid.Cell(0, 6)), colour::kMenu);
    EXPECT_EQ(grid.Cell(0, 3).Value, "r3");
    EXPECT_EQ(grid.EffectiveColor(grid.Cell(0, 3)), colour::kYellow);

    grid.SetRowCount(0);
    EXPECT_EQ(grid.RowCount(), 1);
    EXPECT_EQ(grid.FixedRows(), 1);
    grid.SetRowCount(1 << 30);
    EXPECT_EQ(grid.RowCount(), GridCells::kMaxRowCount);
}

TEST(GridCells, RowHeightsFollowTheirText) {
    FakeMeasurer measurer;
    GridCells grid({}, &measurer);
    EXPECT_EQ(grid.RowHeight(3), 15);
    grid.SetCellText(0, 3, "0005");
    EXPECT_EQ(grid.RowHeight(3), 13); // one line of text, no margins top or bottom
    grid.SetCellText(1, 3, "a\nb\nc");
    EXPECT_EQ(grid.RowHeight(3), 39);
    grid.SetCellText(1, 3, "");
    grid.SetCellText(0, 3, "");
    EXPECT_EQ(grid.RowHeight(3), 15);

    // Inside a suspended period nothing is measured until its end.
    grid.BeginUpdate();
    grid.SetCellText(2, 8, "x\ny");
    EXPECT_EQ(grid.RowHeight(8), 15);
    grid.EndUpdate();
    EXPECT_EQ(grid.RowHeight(8), 26);
}

TEST(GridCells, OwnColumnWidthsMeasureRowsAtTheirWidth) {
    // The fake lays out 6 px per character.
    FakeMeasurer measurer;
    GridSettings settings;
    settings.FixedMarginLeft = 1;
    settings.FixedMarginRight = 1;
    GridCells grid(settings, &measurer);
    grid.SetCellText(0, 4, "ABCDEFGHIJKL");         // 72 px: 43 px of room wraps it
    grid.SetCellText(4, 5, "ABCDEFGHIJKLMNOPQRST"); // merged over 4..5
    ASSERT_TRUE(grid.MergeCells(4, 5, 5, ""));
    grid.SetCellText(3, 1, "Elevatio"); // 48 px: a header title
    grid.SetCellText(3, 6, "Elevatio"); // the same text in a data row
    EXPECT_EQ(grid.RowHeight(4), 26);
    EXPECT_EQ(grid.RowHeight(5), 26); // 50 + 50 less margins and line: 93 px
    EXPECT_EQ(grid.RowHeight(1), 26); // header margins 1 + 1: 47 px, 7 characters a line
    EXPECT_EQ(grid.RowHeight(6), 26); // data margins 2 + 4: 43 px

    grid.SetColWidths({90, 50, 50, 54, 40, 50});
    EXPECT_EQ(grid.ColWidth(0), 90);
    EXPECT_EQ(grid.ColWidth(4), 40);
    EXPECT_EQ(grid.ColWidth(6), 50); // beyond the list: the default
    EXPECT_EQ(grid.ColWidth(-1), 0);
    EXPECT_EQ(grid.Settings().DefaultColWidth, 50); // the design width stays
    EXPECT_EQ(grid.RowHeight(4), 13);               // 83 px: one line
    EXPECT_EQ(grid.RowHeight(5), 26);               // 40 + 50: 83 px, 13 per line
    EXPECT_EQ(grid.RowHeight(1), 13);               // 51 px
    EXPECT_EQ(grid.RowHeight(6), 26);               // 47 px: still two lines

    grid.SetColWidths({50, 50, 50, 50, 80, 80});
    EXPECT_EQ(grid.RowHeight(4), 26);
    EXPECT_EQ(grid.RowHeight(5), 13); // 153 px

    grid.SetColWidths({});
    EXPECT_EQ(grid.ColWidth(4), 50);
    EXPECT_EQ(grid.RowHeight(5), 26);
}

} // namespace
} // namespace vantrel
