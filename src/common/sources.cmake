target_sources(qmncore PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/list_copy_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/row_table_model.cpp
  ${CMAKE_CURRENT_LIST_DIR}/status_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/status_box.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dialogs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/number_picture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/date_picture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rounding.cpp
  ${CMAKE_CURRENT_LIST_DIR}/number_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/box_number.cpp
  ${CMAKE_CURRENT_LIST_DIR}/whole_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/csv_text.cpp
)
target_sources(qmnui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/row_table_view.cpp
  ${CMAKE_CURRENT_LIST_DIR}/widget_dialogs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/status_box_widget.cpp
)
