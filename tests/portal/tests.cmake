# Tests of src/portal
qmn_add_test(test_portal
  ${CMAKE_CURRENT_LIST_DIR}/portal_test.cpp
  LINK qmnsim
  TIMEOUT 120
)
