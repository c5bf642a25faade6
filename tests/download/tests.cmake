# Tests of src/download
qmn_add_test(test_download
  ${CMAKE_CURRENT_LIST_DIR}/main_list_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/download_stream_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qmn_file_test.cpp
)
qmn_add_test(test_download_protocol
  ${CMAKE_CURRENT_LIST_DIR}/download_protocol_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/download_window_test.cpp
  LINK qmnsim
  TIMEOUT 180
)
