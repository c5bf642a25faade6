# Tests of src/history
qmn_add_test(test_history
  ${CMAKE_CURRENT_LIST_DIR}/history_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/history_window_test.cpp
)
