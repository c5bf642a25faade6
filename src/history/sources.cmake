# Sources of src/history: looking back over the stored rows
target_sources(qmncore PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/hour_accumulator.cpp
  ${CMAKE_CURRENT_LIST_DIR}/history_cache.cpp
  ${CMAKE_CURRENT_LIST_DIR}/period_figures.cpp
  ${CMAKE_CURRENT_LIST_DIR}/history_table_model.cpp
  ${CMAKE_CURRENT_LIST_DIR}/history_worker.cpp
  ${CMAKE_CURRENT_LIST_DIR}/history_logic.cpp
)
target_sources(qmnui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/history_chart_widget.cpp
  ${CMAKE_CURRENT_LIST_DIR}/history_window.cpp
)
