# Page text decoding: the charset rule, the strict iconv conversion and the lenient decoders.
target_sources(tovren_core PRIVATE page_decoding.cpp gbk_codec.cpp unicode_units.cpp)
if(TOVREN_TESTS)
  tovren_add_test(decoding_test SOURCES page_decoding_test.cpp)
endif()
