qmn_add_test(test_exchange
  ${CMAKE_CURRENT_LIST_DIR}/serial_link_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/command_exchange_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/radio_dongle_test.cpp
  LINK qmnsim
  TIMEOUT 120
)
qmn_add_test(test_panel
  ${CMAKE_CURRENT_LIST_DIR}/communication_panel_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/com_panel_logic_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/port_map_test.cpp
  LINK qmnsim
)
qmn_add_test(test_bridge
  ${CMAKE_CURRENT_LIST_DIR}/bridge_flow_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/bridge_listener_test.cpp
  LINK qmnsim
  TIMEOUT 120
)
