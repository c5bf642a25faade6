qmn_add_test(test_common
  ${CMAKE_CURRENT_LIST_DIR}/status_list_test.cpp
)
