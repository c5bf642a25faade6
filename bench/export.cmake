add_executable(bench_export ${CMAKE_CURRENT_LIST_DIR}/export_bench.cpp)
target_link_libraries(bench_export PRIVATE qmncore qmn_bench_main)
target_compile_definitions(bench_export PRIVATE QMN_PILOT_BINARY="$<TARGET_FILE:qmnpilot>")
add_dependencies(bench_export qmnpilot)
