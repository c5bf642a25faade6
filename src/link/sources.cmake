target_sources(qmncore PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/port_map.cpp
  ${CMAKE_CURRENT_LIST_DIR}/serial_link.cpp
  ${CMAKE_CURRENT_LIST_DIR}/com_panel_logic.cpp
)
target_sources(qmnui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/com_panel.cpp
)
