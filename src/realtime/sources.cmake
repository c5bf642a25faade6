# Sources of src/realtime
target_sources(qmncore PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/realtime_control.cpp
)
