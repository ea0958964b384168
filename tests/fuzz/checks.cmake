# The check rules' fuzz target: random rule lines tested against a small
# fixed report. The sources it exercises are compiled into the target so
# that they carry the coverage instrumentation.
set(CHECKS_SRC ${CMAKE_SOURCE_DIR}/src/core)
file(GLOB CHECKS_FUZZ_SOURCES CONFIGURE_DEPENDS
  ${CHECKS_SRC}/foundation/*.cpp ${CHECKS_SRC}/tables/*.cpp)
add_executable(fuzz_checks
  ${CMAKE_CURRENT_LIST_DIR}/checks_fuzzer.cpp
  ${CHECKS_FUZZ_SOURCES}
  ${CHECKS_SRC}/report/progress.cpp
  ${CHECKS_SRC}/report/structure.cpp
  ${CHECKS_SRC}/calc/check_rules.cpp
  ${CHECKS_SRC}/calc/check_status.cpp)
target_include_directories(fuzz_checks PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_compile_options(fuzz_checks PRIVATE
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
target_link_options(fuzz_checks PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_libraries(fuzz_checks PRIVATE ZLIB::ZLIB)
