# Fails when a file includes a header of a layer above its own. The layers,
# from the bottom: src/core (rules, rows, formats; Qt Core only), src/net,
# src/widget; the server page stands apart from the control, and its
# databases (server/storage) below the page itself.
# Called by CTest: cmake -DSOURCE_DIR=... -P LayerCheck.cmake
set(allowed_core "core/")
set(allowed_net "core/|net/")
set(allowed_widget "core/|net/|widget/")
# The databases see the statements they apply and the text helpers, nothing else of the page.
set(allowed_storage "storage/|StatementParser.h|TextHelpers.h")

function(check_layer folder allowed)
  file(GLOB_RECURSE files ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.h)
  foreach(file IN LISTS files)
    file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+\"([^\"]+)\".*" "\\1" header "${line}")
      if(NOT header MATCHES "^(${allowed})")
        file(RELATIVE_PATH shown ${SOURCE_DIR} ${file})
        list(APPEND violations "${shown}: \"${header}\" reaches above ${folder}")
      endif()
    endforeach()
  endforeach()
  set(violations ${violations} PARENT_SCOPE)
endfunction()

set(violations)
check_layer(src/core "${allowed_core}")
check_layer(src/net "${allowed_net}")
check_layer(src/widget "${allowed_widget}")
check_layer(server/storage "${allowed_storage}")
# The server page shares no code with the control.
file(GLOB_RECURSE server_files ${SOURCE_DIR}/server/*.cpp ${SOURCE_DIR}/server/*.h)
foreach(file IN LISTS server_files)
  file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"(core|net|widget)/")
  if(includes)
    file(RELATIVE_PATH shown ${SOURCE_DIR} ${file})
    list(APPEND violations "${shown}: includes the control's code")
  endif()
endforeach()

if(violations)
  list(JOIN violations "\n" text)
  message(FATAL_ERROR "Includes against the layers:\n${text}")
endif()
