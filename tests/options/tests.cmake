# Tests of src/options
qmn_add_test(test_options
  ${CMAKE_CURRENT_LIST_DIR}/options_logic_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/options_window_test.cpp
)
