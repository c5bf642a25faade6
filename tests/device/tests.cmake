# Tests of src/device
qmn_add_test(test_device
  ${CMAKE_CURRENT_LIST_DIR}/device_read_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/device_write_test.cpp
  LINK qmnsim
  TIMEOUT 120
)
