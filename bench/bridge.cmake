add_executable(bench_bridge ${CMAKE_CURRENT_LIST_DIR}/bridge_bench.cpp)
target_include_directories(bench_bridge PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(bench_bridge PRIVATE qmncore qmnsim Qt6::Test qmn_bench_main)
