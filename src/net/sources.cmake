target_sources(qmncore PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/bridge_listener.cpp
)
