# Cost of the Sun and Moon library in the planner's call patterns.
add_executable(vantrel-bench-sunmoon bench_sunmoon.cpp)
target_link_libraries(vantrel-bench-sunmoon PRIVATE Orbex_sunmoon benchmark::benchmark_main)
