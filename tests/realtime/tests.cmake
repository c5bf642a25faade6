# Tests of src/realtime
qmn_add_test(test_control
  ${CMAKE_CURRENT_LIST_DIR}/realtime_control_test.cpp
  LINK qmnsim
  TIMEOUT 120
)
