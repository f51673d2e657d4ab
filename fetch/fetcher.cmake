# The page fetcher, the URL split and their tests.
target_sources(tovren_core PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/url_split.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/cookie_pass.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/request_headers.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/curl_handles.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/page_fetcher.cpp)
if(TOVREN_TESTS)
  tovren_add_test(fetch_test SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/test_http_server_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/url_split_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/cookie_pass_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/page_fetcher_test.cpp)
endif()
