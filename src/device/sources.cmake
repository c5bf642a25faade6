target_sources(qmncore PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/settings_block.cpp
  ${CMAKE_CURRENT_LIST_DIR}/load_switches.cpp
  ${CMAKE_CURRENT_LIST_DIR}/device_exchange.cpp
  ${CMAKE_CURRENT_LIST_DIR}/device_utility.cpp
)
target_sources(qmnui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/utility_window.cpp
)
