#include "planner/GridLayout.h"
#include "astro/Catalogue.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

TEST(LayoutHeader, TitlesMergesAndColours) {
    GridCells grid;
    HomeStation station;
    LayoutHeader(grid, station);
    EXPECT_EQ(grid.Cell(1, 0).Value, "Time");
    EXPECT_EQ(grid.Cell(1, 0).AbsoluteCol, 0);
    EXPECT_EQ(grid.Cell(0, 1).Value, "UTC");
    EXPECT_EQ(grid.Cell(1, 1).Value, "Local");
    const char* titles[] = {"Aquarius", "Leo",           "Cassiopeia-A", "Cygnus-A", "Taurus-A",
                            "Virgo-A",  "Sagittarius-A", "Moon",         "Sun"};
    for (int pair = 0; pair < 9; ++pair) {
        const int c = 2 + 2 * pair;
        SCOPED_TRACE(titles[pair]);
        const GridCell& title = grid.Cell(c + 1, 0);
        EXPECT_EQ(title.Value, titles[pair]);
        EXPECT_EQ(title.AbsoluteCol, c);
        EXPECT_EQ(title.AddCols, 1);
        EXPECT_EQ(grid.EffectiveColor(title), kPairBackground[static_cast<std::size_t>(pair)]);
        EXPECT_EQ(grid.EffectiveAlignment(title), HorizontalAlignment::haCenter);
        EXPECT_EQ(grid.EffectiveFontColor(title), colour::kBlack);
        EXPECT_EQ(grid.Cell(c, 1).Value, "Azimuth");
        EXPECT_EQ(grid.Cell(c + 1, 1).Value, "Elevation");
    }
    EXPECT_EQ(grid.EffectiveColor(grid.Cell(0, 0)), colour::kWhite);
    EXPECT_EQ(grid.EffectiveColor(grid.Cell(1, 1)), colour::kActiveBorder);
}

TEST(LayoutHeader, FollowsModeAndOptionInPlace) {
    GridCells grid;
    HomeStation station;
    LayoutHeader(grid, station);
    const std::size_t cells = grid.Cells().size();

    station.DisplayMode = 1;
    LayoutHeader(grid, station);
    for (int c = 2; c < 20; c += 2) {
        EXPECT_EQ(grid.Cell(c, 1).Value, "GHA");
        EXPECT_EQ(grid.Cell(c + 1, 1).Value, "Dec");
    }
    station.DisplayMode = 0;
    LayoutHeader(grid, station);
    EXPECT_EQ(grid.Cell(18, 1).Value, "Azimuth");
    EXPECT_EQ(grid.Cells().size(), cells); // rewritten, not added to

    station.SourceOption = 2;
    station.UserSourceName.clear();
    LayoutHeader(grid, station);
    EXPECT_EQ(grid.Cell(6, 0).Value, "");
    EXPECT_EQ(grid.EffectiveColor(grid.Cell(6, 0)), colour::kActiveBorder);

    ASSERT_TRUE(ChooseCatalogueEntry(station, MoreSourcesList::RadioGalaxies, 4));
    LayoutHeader(grid, station);
    EXPECT_EQ(grid.Cell(7, 0).Value, "3C348 Hurcules ");

    station.SourceOption = 9; // damaged file: the title stays as it was
    LayoutHeader(grid, station);
    EXPECT_EQ(grid.Cell(6, 0).Value, "3C348 Hurcules ");
}

} // namespace
} // namespace vantrel
