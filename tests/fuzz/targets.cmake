# The readers of outside data that have a fuzz target of their own: the
# structure file, table files (load, save, load again), value lists, the
# check rules file and the send container. They link one copy of the core
# built with the fuzzer's coverage and the sanitizers, so that every reader
# they reach is instrumented.
set(FUZZ_CORE_DIR ${CMAKE_SOURCE_DIR}/src/core)
file(GLOB_RECURSE FUZZ_CORE_SOURCES CONFIGURE_DEPENDS ${FUZZ_CORE_DIR}/*.cpp)
add_library(fuzzcore STATIC ${FUZZ_CORE_SOURCES})
target_include_directories(fuzzcore PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_compile_options(fuzzcore PRIVATE
  -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
target_link_libraries(fuzzcore PUBLIC ZLIB::ZLIB PkgConfig::MSPACK)

foreach(name structure table value_list check_rules_file container)
  add_executable(fuzz_${name} ${CMAKE_CURRENT_LIST_DIR}/${name}_fuzzer.cpp)
  target_compile_options(fuzz_${name} PRIVATE
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
  target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(fuzz_${name} PRIVATE fuzzcore)
endforeach()
