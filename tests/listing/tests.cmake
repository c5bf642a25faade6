# Tests of src/listing
qmn_add_test(test_listing
  ${CMAKE_CURRENT_LIST_DIR}/realtime_listing_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/listing_window_test.cpp
  LINK qmnsim
)
