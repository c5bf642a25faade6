# Sources of src/listing
target_sources(qmncore PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/listing_tables.cpp
  ${CMAKE_CURRENT_LIST_DIR}/realtime_listing.cpp
)
target_sources(qmnui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/listing_window.cpp
)
