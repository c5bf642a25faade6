qmn_add_test(test_link
  ${CMAKE_CURRENT_LIST_DIR}/serial_link_test.cpp
  LINK qmnsim
)
qmn_add_test(test_panel
  ${CMAKE_CURRENT_LIST_DIR}/com_panel_logic_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/com_panel_test.cpp
  LINK qmnsim
)
