qmn_add_test(test_recording
  ${CMAKE_CURRENT_LIST_DIR}/insert_statement_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/error_log_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sqlite_logging_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/access_logging_test.cpp
)
