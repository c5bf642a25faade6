add_executable(bench_receiver ${CMAKE_CURRENT_LIST_DIR}/receiver_bench.cpp)
target_link_libraries(bench_receiver PRIVATE qmncore qmn_bench_main)
