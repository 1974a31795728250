# Fails when a C++ file of the repository is not formatted as .clang-format says.
# Called by CTest: cmake -DSOURCE_DIR=... -DCLANG_FORMAT=... -P FormatCheck.cmake
file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
  ${SOURCE_DIR}/src/*.cpp ${SOURCE_DIR}/src/*.h ${SOURCE_DIR}/include/*.h
  ${SOURCE_DIR}/server/*.cpp ${SOURCE_DIR}/server/*.h ${SOURCE_DIR}/demo/*.cpp ${SOURCE_DIR}/demo/*.h
  ${SOURCE_DIR}/designer/*.cpp ${SOURCE_DIR}/designer/*.h ${SOURCE_DIR}/tests/*.cpp ${SOURCE_DIR}/tests/*.h
  ${SOURCE_DIR}/bench/*.cpp ${SOURCE_DIR}/bench/*.h ${SOURCE_DIR}/fuzz/*.cpp ${SOURCE_DIR}/fuzz/*.h)
execute_process(COMMAND ${CLANG_FORMAT} --dry-run -Werror ${sources}
                WORKING_DIRECTORY ${SOURCE_DIR} RESULT_VARIABLE status)
if(status)
  message(FATAL_ERROR "clang-format would change the files above: run 'clang-format -i' on them")
endif()
