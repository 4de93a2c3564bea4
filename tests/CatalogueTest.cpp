#include "astro/Catalogue.h"
#include "astro/SourcePosition.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

TEST(Catalogue, ColumnTitlesInOrder) {
    HomeStation station;
    const char* titles[] = {"Aquarius", "Leo",     "Cassiopeia-A", "Cygnus-A",
                            "Taurus-A", "Virgo-A", "Sagittarius-A"};
    for (std::size_t i = 0; i < kFixedSourceCount; ++i) {
        for (const auto set : {CoordinateSet::Planning, CoordinateSet::RealTime}) {
            const auto source = FixedSourceAt(set, i, station);
            ASSERT_TRUE(source.has_value());
            EXPECT_EQ(source->Title, titles[i]);
        }
    }
    EXPECT_FALSE(FixedSourceAt(CoordinateSet::Planning, kFixedSourceCount, station));
}

TEST(Catalogue, NoiseSourceColumnFollowsTheOption) {
    HomeStation station;
    station.SourceOption = 1;
    const auto cen = FixedSourceAt(CoordinateSet::Planning, kNoiseSourcePair, station);
    ASSERT_TRUE(cen);
    EXPECT_EQ(cen->Title, "Centaurus-A");
    // In Polar mode the declination is shown: −43.01 with the mended rounding.
    EXPECT_EQ(DegreeText(RoundedDegrees(cen->DecDeg * kDegToRad)), "-43.01");

    station.SourceOption = 2;
    station.UserSourceName = "Mine";
    station.UserSourceRa = 2.5L;
    station.UserSourceDec = -7.25L;
    const auto user = FixedSourceAt(CoordinateSet::RealTime, kNoiseSourcePair, station);
    ASSERT_TRUE(user);
    EXPECT_EQ(user->Title, "Mine");
    EXPECT_EQ(user->RaDeg, 37.5L);
    EXPECT_EQ(user->DecDeg, -7.25L);

    station.SourceOption = 7; // only a damaged file holds this
    EXPECT_FALSE(FixedSourceAt(CoordinateSet::Planning, kNoiseSourcePair, station));
}

TEST(Catalogue, PlanningAndRealTimeCoordinatesDifferWhereTheyShould) {
    const HomeStation station;
    const auto planning = FixedSourceAt(CoordinateSet::Planning, 3, station);
    const auto realTime = FixedSourceAt(CoordinateSet::RealTime, 3, station);
    EXPECT_EQ(planning->RaDeg, 299.8875L);
    EXPECT_EQ(realTime->RaDeg, 299.8681665L);
    const auto sgrPolar = FixedSourceAt(CoordinateSet::Planning, 6, station);
    EXPECT_EQ(DegreeText(RoundedDegrees(sgrPolar->DecDeg * kDegToRad)), "-29.01");
}

TEST(Catalogue, ChoosingAnEntryStoresTheUserSource) {
    HomeStation station;
    ASSERT_TRUE(ChooseCatalogueEntry(station, MoreSourcesList::Nebulae, 7));
    EXPECT_EQ(station.UserSourceName, "W38 M17");
    EXPECT_EQ(station.UserSourceRa, 18.29666L);
    EXPECT_EQ(station.UserSourceDec, -16.15L);
    EXPECT_EQ(station.SourceOption, 2);

    ASSERT_TRUE(ChooseCatalogueEntry(station, MoreSourcesList::Nebulae, 0));
    EXPECT_EQ(station.UserSourceName, "W3 IC1795");
    ASSERT_TRUE(ChooseCatalogueEntry(station, MoreSourcesList::RadioGalaxies, 4));
    EXPECT_EQ(station.UserSourceName, "3C348 Hurcules "); // stored with its blank

    const HomeStation before = station;
    EXPECT_FALSE(ChooseCatalogueEntry(station, MoreSourcesList::SupernovaRemnants, 7));
    EXPECT_EQ(station, before);
}

TEST(Catalogue, EntriesFitTheRecordAndTheSky) {
    const std::pair<MoreSourcesList, std::size_t> lists[] = {
        {MoreSourcesList::SupernovaRemnants, 7},
        {MoreSourcesList::RadioGalaxies, 7},
        {MoreSourcesList::Nebulae, 9}};
    for (const auto& [list, size] : lists) {
        const auto entries = CatalogueList(list);
        EXPECT_EQ(entries.size(), size);
        for (const auto& e : entries) {
            EXPECT_LE(e.Name.size(), kUserSourceNameCapacity) << e.Name;
            EXPECT_GE(e.RaHours, 0);
            EXPECT_LT(e.RaHours, 24);
            EXPECT_LE(std::abs(e.DecDeg), 90) << e.Name;
        }
    }
}

} // namespace
} // namespace vantrel
