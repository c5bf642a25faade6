add_executable(bench_pipeline ${CMAKE_CURRENT_LIST_DIR}/pipeline_bench.cpp)
target_link_libraries(bench_pipeline PRIVATE qmncore qmnsim qmn_bench_main)
