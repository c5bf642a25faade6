# Tests of src/history
qmn_add_test(test_history
  ${CMAKE_CURRENT_LIST_DIR}/history_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/history_window_test.cpp
)
# The table the ODBC rows go into, as a server database is set up for recording.
target_compile_definitions(test_history PRIVATE QMN_PG_TABLE_SQL="${PROJECT_SOURCE_DIR}/sql/qmn_power.postgresql.sql")
