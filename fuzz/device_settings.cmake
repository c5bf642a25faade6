# Feeds arbitrary bytes to the settings-block and serial-number parsers.
add_executable(fuzz_device_settings
  ${CMAKE_CURRENT_LIST_DIR}/device_settings_fuzz.cpp
  ${CMAKE_SOURCE_DIR}/src/device/settings_block.cpp
  ${CMAKE_SOURCE_DIR}/src/common/number_picture.cpp
)
target_include_directories(fuzz_device_settings PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_compile_options(fuzz_device_settings PRIVATE ${QMN_FUZZ_FLAGS})
target_link_options(fuzz_device_settings PRIVATE ${QMN_FUZZ_FLAGS})
target_link_libraries(fuzz_device_settings PRIVATE Qt6::Core)
