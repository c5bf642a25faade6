add_executable(bench_listing ${CMAKE_CURRENT_LIST_DIR}/listing_bench.cpp)
target_include_directories(bench_listing PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(bench_listing PRIVATE qmncore qmnsim qmn_bench_main)
