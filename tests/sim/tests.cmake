qmn_add_test(test_sim
  ${CMAKE_CURRENT_LIST_DIR}/sim_packet_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/monitor_sim_test.cpp
  LINK qmnsim
)
