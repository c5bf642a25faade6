# Sources of src/options
target_sources(qmncore PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/energy_direction_probe.cpp
  ${CMAKE_CURRENT_LIST_DIR}/options_logic.cpp
)
target_sources(qmnui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/options_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mqtt_panel.cpp
)
