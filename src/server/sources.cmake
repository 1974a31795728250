target_sources(vendorcenter PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/ServerRequest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ServerRequest.h
  ${CMAKE_CURRENT_LIST_DIR}/Statements.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Statements.h)
