# Tests of src/realtime
qmn_add_test(test_realtime
  ${CMAKE_CURRENT_LIST_DIR}/packet_receiver_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/derivation_test.cpp
)
qmn_add_test(test_control
  ${CMAKE_CURRENT_LIST_DIR}/realtime_control_test.cpp
  LINK qmnsim
  TIMEOUT 120
)
