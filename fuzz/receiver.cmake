# Feeds arbitrary bytes to both receiving roads and to the derivation.
set(QMN_FUZZ_FLAGS -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)

# The logic is instrumented as well, so coverage guides the fuzzer through it
# and the sanitizers watch it; everything linking it gets the runtimes.
target_compile_options(qmncore PRIVATE -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined)
target_link_options(qmncore INTERFACE -fsanitize=address,undefined)

add_executable(fuzz_receiver ${CMAKE_CURRENT_LIST_DIR}/receiver_fuzz.cpp)
target_compile_options(fuzz_receiver PRIVATE ${QMN_FUZZ_FLAGS})
target_link_options(fuzz_receiver PRIVATE ${QMN_FUZZ_FLAGS})
target_link_libraries(fuzz_receiver PRIVATE qmncore)
