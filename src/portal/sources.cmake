target_sources(qmncore PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/portal_address.cpp
  ${CMAKE_CURRENT_LIST_DIR}/portal_request.cpp
  ${CMAKE_CURRENT_LIST_DIR}/portal_sender.cpp
  ${CMAKE_CURRENT_LIST_DIR}/portal_upload.cpp
  ${CMAKE_CURRENT_LIST_DIR}/post_list_model.cpp
)
target_sources(qmnui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/web_window.cpp
)
