# Tests of src/dashboard
qmn_add_test(test_dashboard
  ${CMAKE_CURRENT_LIST_DIR}/realtime_dashboard_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dashboard_widgets_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dashboard_window_test.cpp
  LINK qmnsim
)
