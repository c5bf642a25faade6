# The download stream and the ".QMN" reader, each fed arbitrary bytes.
add_executable(fuzz_download
  ${CMAKE_CURRENT_LIST_DIR}/download_fuzz.cpp
  ${CMAKE_SOURCE_DIR}/src/download/download_stream.cpp
)
add_executable(fuzz_qmn_reader
  ${CMAKE_CURRENT_LIST_DIR}/qmn_reader_fuzz.cpp
  ${CMAKE_SOURCE_DIR}/src/download/qmn_file.cpp
)
foreach(target fuzz_download fuzz_qmn_reader)
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_compile_options(${target} PRIVATE ${QMN_FUZZ_FLAGS})
  target_link_options(${target} PRIVATE ${QMN_FUZZ_FLAGS})
  target_link_libraries(${target} PRIVATE Qt6::Core)
endforeach()
