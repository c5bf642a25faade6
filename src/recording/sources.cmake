# Sources of src/recording
target_sources(qmncore PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/error_log.cpp
  ${CMAKE_CURRENT_LIST_DIR}/insert_statement.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sqlite_batch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/database_logger.cpp
  ${CMAKE_CURRENT_LIST_DIR}/database_creator.cpp
  ${CMAKE_CURRENT_LIST_DIR}/daily_export.cpp
  ${CMAKE_CURRENT_LIST_DIR}/csv_export.cpp
)

# The SQLite table definition ships as sql/qmn_power.sqlite.sql and is built
# into the program from that same file.
set(qmn_sqlite_schema ${CMAKE_SOURCE_DIR}/sql/qmn_power.sqlite.sql)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${qmn_sqlite_schema})
file(READ ${qmn_sqlite_schema} QMN_SQLITE_SCHEMA)
configure_file(${CMAKE_CURRENT_LIST_DIR}/sqlite_schema.h.in
  ${CMAKE_BINARY_DIR}/generated/recording/sqlite_schema.h @ONLY)
target_include_directories(qmncore PRIVATE ${CMAKE_BINARY_DIR}/generated)
