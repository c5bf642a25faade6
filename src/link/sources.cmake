target_sources(qmncore PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/port_map.cpp
  ${CMAKE_CURRENT_LIST_DIR}/serial_link.cpp
)
