# Fails unless the dynamic symbol table of LIBRARY defines exactly the twelve
# exported functions (the version node, kind A, is no symbol of ours).
find_program(NM nm REQUIRED)
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY} OUTPUT_VARIABLE listing COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL "[0-9a-fA-F]+ [B-Zb-z] [^\n]+" lines "${listing}")
list(TRANSFORM lines REPLACE "^[0-9a-fA-F]+ . " "")
list(SORT lines)
set(expected analyse clear_mesh get_edg_params get_msh_params get_pnt_params get_tri_params
    removeDuplicatedGeometricalPoints removeInvalidTopologicalTriangles set_edg_params set_msh_params
    set_pnt_params set_tri_params)
if(NOT lines STREQUAL expected)
  message(FATAL_ERROR "exported symbols differ\n  expected: ${expected}\n  found:    ${lines}")
endif()
