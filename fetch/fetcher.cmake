# The page fetcher, the URL split and their tests.
tovren_add_test(fetch_test SOURCES
  ${CMAKE_CURRENT_SOURCE_DIR}/test_http_server_test.cpp)
