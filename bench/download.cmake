add_executable(bench_download ${CMAKE_CURRENT_LIST_DIR}/download_bench.cpp)
target_include_directories(bench_download PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(bench_download PRIVATE qmncore qmnsim qmn_bench_main)
