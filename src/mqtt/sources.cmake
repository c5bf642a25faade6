# Sources of src/mqtt
target_sources(qmncore PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/mqtt_settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mqtt_payloads.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mqtt_state.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mqtt_client.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mqtt_publisher.cpp
)
