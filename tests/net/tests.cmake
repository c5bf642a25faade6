# Tests of src/net
qmn_add_test(test_bridge
  ${CMAKE_CURRENT_LIST_DIR}/bridge_listener_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/bridge_flow_test.cpp
  LINK qmnsim
  TIMEOUT 120
)
