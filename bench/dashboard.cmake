add_executable(bench_dashboard ${CMAKE_CURRENT_LIST_DIR}/dashboard_bench.cpp)
target_link_libraries(bench_dashboard PRIVATE qmnui qmn_bench_main)
