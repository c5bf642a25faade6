qmn_add_test(test_common
  ${CMAKE_CURRENT_LIST_DIR}/common_test.cpp
)
