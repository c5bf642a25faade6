# Sources of src/options
target_sources(qmncore PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/options_logic.cpp
  ${CMAKE_CURRENT_LIST_DIR}/polarity_test.cpp
)
target_sources(qmnui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/options_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mqtt_panel.cpp
)
