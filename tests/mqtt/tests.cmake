# Tests of src/mqtt, against a real mosquitto broker
qmn_add_test(test_mqtt
  ${CMAKE_CURRENT_LIST_DIR}/mqtt_test.cpp
  LINK qmnsim
  TIMEOUT 120
)
