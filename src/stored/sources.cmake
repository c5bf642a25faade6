# Sources of src/stored: reading back what the recording wrote
target_sources(qmncore PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/access_connection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/odbc_execution.cpp
  ${CMAKE_CURRENT_LIST_DIR}/local_time_stamp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/row_chunk.cpp
  ${CMAKE_CURRENT_LIST_DIR}/power_row_reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/odbc_row_reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/row_energy.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sqlite_rows_after.cpp
)
