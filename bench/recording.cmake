add_executable(bench_recording ${CMAKE_CURRENT_LIST_DIR}/recording_bench.cpp)
target_link_libraries(bench_recording PRIVATE qmncore qmn_bench_main)
