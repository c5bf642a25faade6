add_executable(bench_mqtt ${CMAKE_CURRENT_LIST_DIR}/mqtt_bench.cpp)
# The broker comes from the tests' fixture: a real mosquitto on 127.0.0.1.
target_include_directories(bench_mqtt PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(bench_mqtt PRIVATE qmncore qmn_bench_main Qt6::Test)
