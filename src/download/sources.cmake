# Sources of src/download
target_sources(qmncore PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/main_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/download_stream.cpp
  ${CMAKE_CURRENT_LIST_DIR}/unit_info.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qmn_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/download_saver.cpp
  ${CMAKE_CURRENT_LIST_DIR}/logger_download.cpp
)
target_sources(qmnui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/save_download_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/download_window.cpp
)
