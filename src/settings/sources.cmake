target_sources(qmncore PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/settings_store.cpp
)
