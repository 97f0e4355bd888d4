# Fails unless the dynamic symbol table of LIBRARY defines exactly the twelve
# exported functions.
find_program(NM nm REQUIRED)
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY}
                OUTPUT_VARIABLE listing RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REPLACE "\n" ";" lines "${listing}")
set(found "")
foreach(line IN LISTS lines)
  if(line MATCHES "^[0-9a-fA-F]+ ([A-Za-z]) (.+)$")
    set(kind "${CMAKE_MATCH_1}")
    set(name "${CMAKE_MATCH_2}")
    # Version-node marker of the version script; not a symbol of ours.
    if(kind STREQUAL "A")
      continue()
    endif()
    list(APPEND found "${name}")
  endif()
endforeach()
list(SORT found)
set(expected analyse clear_mesh get_edg_params get_msh_params get_pnt_params get_tri_params
    removeDuplicatedGeometricalPoints removeInvalidTopologicalTriangles set_edg_params
    set_msh_params set_pnt_params set_tri_params)
list(SORT expected)
if(NOT found STREQUAL expected)
  message(FATAL_ERROR "exported symbols differ\n  expected: ${expected}\n  found:    ${found}")
endif()
message(STATUS "exactly the twelve functions are exported")
