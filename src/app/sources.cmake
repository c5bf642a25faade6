target_sources(qmncore PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/program.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sample_echo.cpp
  ${CMAKE_CURRENT_LIST_DIR}/service_journal.cpp
  ${CMAKE_CURRENT_LIST_DIR}/instance_lock.cpp
)
target_sources(qmnui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/main_window.cpp
)
