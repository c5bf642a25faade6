# Sources of src/dashboard
target_sources(qmncore PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/chart_history.cpp
  ${CMAKE_CURRENT_LIST_DIR}/realtime_dashboard.cpp
)
target_sources(qmnui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/round_gauge_widget.cpp
  ${CMAKE_CURRENT_LIST_DIR}/odometer_widget.cpp
  ${CMAKE_CURRENT_LIST_DIR}/trend_chart_widget.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dashboard_window.cpp
)
