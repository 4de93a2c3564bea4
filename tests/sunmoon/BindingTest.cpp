// The library bound at run time by name, as the program binds it: the six
// entry points resolve, and the readers hold NaN until the first DataToDLL.
// A program of its own, so that the library is fresh when it loads.

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cmath>
#include <cstdint>

namespace {

using DataToDllFunction = void (*)(std::uint16_t, std::uint16_t, std::uint16_t, std::uint16_t,
                                   std::uint16_t, std::uint16_t, double, double, double,
                                   std::uint8_t, std::uint8_t, double);
using ReaderFunction = double (*)();

template <typename Function> Function Resolve(void* library, const char* name) {
    return reinterpret_cast<Function>(dlsym(library, name));
}

TEST(SunMoonBinding, SixEntryPointsAndNaNBeforeTheFirstCall) {
    void* library = dlopen(SUNMOON_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    const auto dataToDll = Resolve<DataToDllFunction>(library, "DataToDLL");
    const ReaderFunction readers[] = {
        Resolve<ReaderFunction>(library, "GetAzimuth"),
        Resolve<ReaderFunction>(library, "GetElevation"),
        Resolve<ReaderFunction>(library, "GetGHA"),
        Resolve<ReaderFunction>(library, "GetDecTopo"),
        Resolve<ReaderFunction>(library, "GetDistance"),
    };
    ASSERT_NE(dataToDll, nullptr);
    for (const ReaderFunction read : readers) {
        ASSERT_NE(read, nullptr);
        EXPECT_TRUE(std::isnan(read()));
    }
    // Internal names stay inside the library.
    EXPECT_EQ(dlsym(library, "_ZN7vantrel7sunmoon20DirectSlowQuantitiesEd"), nullptr);

    dataToDll(2024, 6, 21, 12, 0, 0, 0.0, 0.0, 0.0, 0, 1, 0.0);
    // Noon UTC at the June solstice on the Greenwich meridian and the
    // equator: the Sun stands 23.44° north, 66.56° high, and the equation of
    // time (−1.8 min) puts it 0.45° east of the meridian, so a little east
    // of north.
    EXPECT_NEAR(readers[3](), 23.44, 0.01);
    EXPECT_NEAR(readers[1](), 66.56, 0.01);
    EXPECT_NEAR(readers[2](), 359.55, 0.05);
    EXPECT_GT(readers[0](), 0.5);
    EXPECT_LT(readers[0](), 1.5);
    // Three weeks before aphelion: 1.0163 au (152.0 million km).
    EXPECT_NEAR(readers[4]() / 149597870.7, 1.0163, 0.0005);
    EXPECT_EQ(dlclose(library), 0);
}

} // namespace
