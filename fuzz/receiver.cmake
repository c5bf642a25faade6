# Feeds arbitrary bytes to both receiving roads and to the derivation.

# The fuzzer is built from the parsing sources themselves, instrumented so
# that coverage guides it and the sanitizers watch them. The rest of the
# logic stays out: clang 14's undefined-behaviour sanitizer cannot compile
# the coroutine dialogues.
add_executable(fuzz_receiver
  ${CMAKE_CURRENT_LIST_DIR}/receiver_fuzz.cpp
  ${CMAKE_SOURCE_DIR}/src/common/status_list.cpp
  ${CMAKE_SOURCE_DIR}/src/realtime/realtime_packet.cpp
  ${CMAKE_SOURCE_DIR}/src/realtime/packet_receiver.cpp
  ${CMAKE_SOURCE_DIR}/src/realtime/derivation.cpp
  ${CMAKE_SOURCE_DIR}/src/realtime/sample_dispatch.cpp
)
target_include_directories(fuzz_receiver PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_compile_options(fuzz_receiver PRIVATE ${QMN_FUZZ_FLAGS})
target_link_options(fuzz_receiver PRIVATE ${QMN_FUZZ_FLAGS})
target_link_libraries(fuzz_receiver PRIVATE Qt6::Core)
