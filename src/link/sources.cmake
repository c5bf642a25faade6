target_sources(qmncore PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/bridge_listener.cpp
  ${CMAKE_CURRENT_LIST_DIR}/port_map.cpp
  ${CMAKE_CURRENT_LIST_DIR}/serial_link.cpp
  ${CMAKE_CURRENT_LIST_DIR}/serial_intake.cpp
  ${CMAKE_CURRENT_LIST_DIR}/com_panel_logic.cpp
)
target_sources(qmnui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/communication_panel.cpp
)
target_sources(qmncore PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/dialogue_gate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/command_exchange.cpp
  ${CMAKE_CURRENT_LIST_DIR}/radio_dongle.cpp
)
