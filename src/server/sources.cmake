target_sources(vendorcenter PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Statements.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Statements.h)
