qmn_add_test(test_settings
  ${CMAKE_CURRENT_LIST_DIR}/settings_store_test.cpp
)
