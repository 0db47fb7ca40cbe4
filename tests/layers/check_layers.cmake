# Holds the include graph between the top folders of the tree: every quoted include of a
# project header must follow one of the allowed edges below. Run as
#   cmake -DROOT=<source root> -P check_layers.cmake
# and it fails, naming each file and include, on any other edge.

# folder -> folders it may include (its own folder always allowed)
set(allowed_platform "")
set(allowed_framework "platform")
set(allowed_contracts "framework;platform")
set(allowed_views "contracts;framework;platform")
set(allowed_dialogs "contracts;framework;platform")
set(allowed_screen "views;dialogs;contracts;framework;platform")
set(allowed_module "screen;views;dialogs;contracts")
set(allowed_host "contracts;framework;platform")
set(allowed_server "platform")
# Single headers a folder may include beyond its edges: the client-server agreement is shared
# by both sides, and holds no widget code.
set(allowed_files_server "contracts/rdmdietaoral.h")

set(layers platform framework contracts views dialogs screen module host server)

if(NOT ROOT)
  message(FATAL_ERROR "ROOT is not set")
endif()

set(faults "")
set(scanned 0)
foreach(layer ${layers})
  if(NOT IS_DIRECTORY "${ROOT}/${layer}")
    continue()
  endif()
  file(GLOB_RECURSE sources "${ROOT}/${layer}/*.h" "${ROOT}/${layer}/*.cpp")
  foreach(source ${sources})
    math(EXPR scanned "${scanned} + 1")
    file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"[^\"]+\"")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+\"([^\"]+)\".*" "\\1" header "${line}")
      if(NOT header MATCHES "/")
        continue() # a header beside the source
      endif()
      string(REGEX REPLACE "/.*" "" target "${header}")
      if(target STREQUAL layer)
        continue()
      endif()
      list(FIND layers "${target}" known)
      if(known EQUAL -1)
        continue() # not one of ours (a generated or system header)
      endif()
      list(FIND allowed_${layer} "${target}" edge)
      list(FIND allowed_files_${layer} "${header}" file_edge)
      if(edge EQUAL -1 AND file_edge EQUAL -1)
        file(RELATIVE_PATH where "${ROOT}" "${source}")
        list(APPEND faults "${where}: ${layer} -> ${target} (#include \"${header}\")")
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults)
  list(LENGTH faults count)
  string(REPLACE ";" "\n  " listed "${faults}")
  message(FATAL_ERROR "${count} include(s) break the layer rules:\n  ${listed}")
endif()
message(STATUS "layers: ${scanned} files follow the allowed edges")
