qmn_add_test(test_common
  ${CMAKE_CURRENT_LIST_DIR}/number_picture_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/date_picture_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rounding_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/number_text_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/box_number_test.cpp
)
