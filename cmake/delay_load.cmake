# Libraries loaded at their first use.

# qm_delay_load(TARGET LIBRARY CALL...): TARGET loads the system library LIBRARY at the first of
# the CALLs it makes, not when it starts. Only for a library that every system has: one that is
# missing ends the program at that first call instead of at its start. A call the program makes
# that is not listed still works, through the ordinary import, but then the library is loaded at
# the start again (src/ has a test that says so for the program).
function(qm_delay_load target library)
  set(def ${CMAKE_CURRENT_BINARY_DIR}/delay/${library}.def)
  set(lib ${CMAKE_CURRENT_BINARY_DIR}/delay/lib${library}-delay.a)
  list(JOIN ARGN "\n" calls)
  file(GENERATE OUTPUT ${def} CONTENT "LIBRARY ${library}.dll\nEXPORTS\n${calls}\n")
  add_custom_command(OUTPUT ${lib}
    COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --dllname ${library}.dll --output-delaylib ${lib}
    DEPENDS ${def} VERBATIM)
  add_custom_target(${target}_delay_${library} DEPENDS ${lib})
  add_dependencies(${target} ${target}_delay_${library})
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${lib})
  # Ahead of the system's import libraries, which the libraries of the program pull in after it.
  target_link_libraries(${target} PRIVATE ${lib})
endfunction()
