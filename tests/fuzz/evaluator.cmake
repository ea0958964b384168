# The evaluator's fuzz target. The evaluator is compiled into the target
# itself so that it carries the coverage instrumentation whatever flags the
# rest of the tree was built with.
add_executable(fuzz_evaluator
  ${CMAKE_CURRENT_LIST_DIR}/evaluator_fuzzer.cpp
  ${CMAKE_SOURCE_DIR}/src/core/calc/rx_math_parser.cpp)
target_include_directories(fuzz_evaluator PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_compile_options(fuzz_evaluator PRIVATE
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
target_link_options(fuzz_evaluator PRIVATE -fsanitize=fuzzer,address,undefined)
