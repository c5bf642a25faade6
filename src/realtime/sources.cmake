# Sources of src/realtime
target_sources(qmncore PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/sample_dispatch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/realtime_packet.cpp
  ${CMAKE_CURRENT_LIST_DIR}/packet_receiver.cpp
  ${CMAKE_CURRENT_LIST_DIR}/derivation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/realtime_control.cpp
)
