qmn_add_test(test_link
  ${CMAKE_CURRENT_LIST_DIR}/serial_link_test.cpp
  LINK qmnsim
)
