qmn_add_test(test_app
  ${CMAKE_CURRENT_LIST_DIR}/program_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/command_line_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/streaming_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/headless_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/accessibility_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/export_test.cpp
  LINK qmnsim
)
