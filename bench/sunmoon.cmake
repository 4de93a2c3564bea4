# Cost of the Sun and Moon library in the planner's call patterns.
add_executable(vantrel-bench-sunmoon bench_sunmoon.cpp)
target_link_libraries(vantrel-bench-sunmoon PRIVATE Orbex_sunmoon benchmark::benchmark_main)

# One node of the slow quantities and its Moon (ELP/MPP02 against eraMoon98).
add_executable(vantrel-bench-moon-series bench_moon_series.cpp)
target_link_libraries(vantrel-bench-moon-series
    PRIVATE vantrel_sunmoon_core benchmark::benchmark_main)
