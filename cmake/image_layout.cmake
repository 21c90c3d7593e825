# How the program's and the device's images lie in their files.

# qm_page_aligned_image(TARGET...): each TARGET's sections start on page boundaries in its file,
# as they do in memory. Wine maps the sections of such an image from the file, shared by every
# process that loads it and paged in as they are touched, as a handheld runs its programs and
# libraries in place; the sections of an image laid out at the linker's usual 512-byte steps are
# read whole into private memory of each process instead (for QuietMinder.exe, all its 310 KB).
# The file grows by up to a page per section.
function(qm_page_aligned_image)
  foreach(target ${ARGN})
    target_link_options(${target} PRIVATE -Wl,--file-alignment,0x1000)
  endforeach()
endfunction()

# Cuts the output section NAME out of the linker script in SCRIPT_VAR and hands back its
# statements in BODY_VAR (empty when the script has no such section).
function(_qm_cut_output_section script_var name body_var)
  set(script "${${script_var}}")
  set(head "  ${name} BLOCK(__section_alignment__) :\n  {\n")
  set(tail "\n  }\n")
  set(${body_var} "" PARENT_SCOPE)
  string(FIND "${script}" "${head}" start)
  if(start EQUAL -1)
    return()
  endif()
  string(LENGTH "${head}" head_length)
  math(EXPR body_start "${start} + ${head_length}")
  string(SUBSTRING "${script}" ${body_start} -1 rest)
  string(FIND "${rest}" "${tail}" end)
  if(end EQUAL -1)
    return()
  endif()
  string(SUBSTRING "${rest}" 0 ${end} body)
  string(LENGTH "${tail}" tail_length)
  math(EXPR after "${end} + ${tail_length}")
  string(SUBSTRING "${rest}" ${after} -1 rest)
  string(SUBSTRING "${script}" 0 ${start} before)
  set(${script_var} "${before}${rest}" PARENT_SCOPE)
  set(${body_var} "${body}" PARENT_SCOPE)
endfunction()

# qm_few_sections(TARGET): TARGET is linked with the linker's own script, changed so that the C
# runtime's start-up tables (.CRT) and the thread-local template (.tls) go into .data and the
# unwind data (.xdata) into .rdata, as other Windows linkers lay them out. Each section of a
# page-aligned image takes whole pages of its file, and those three held a few hundred bytes
# between them: 12 KB of QuietMinder.exe. The loader finds all three through the image's
# directories, wherever they lie. Where the linker's script is not the one expected, TARGET is
# linked as before, with a warning.
function(qm_few_sections target)
  execute_process(COMMAND ${CMAKE_LINKER} --verbose -m i386pep
                  OUTPUT_VARIABLE verbose RESULT_VARIABLE failed ERROR_QUIET)
  set(rule "==================================================\n")
  string(FIND "${verbose}" "${rule}" first)
  string(FIND "${verbose}" "${rule}" last REVERSE)
  if(failed OR first EQUAL -1 OR last EQUAL first)
    message(WARNING "qm_few_sections: no linker script from ${CMAKE_LINKER}; ${target} keeps all its sections")
    return()
  endif()
  string(LENGTH "${rule}" rule_length)
  math(EXPR from "${first} + ${rule_length}")
  math(EXPR length "${last} - ${from}")
  string(SUBSTRING "${verbose}" ${from} ${length} script)

  _qm_cut_output_section(script .CRT crt)
  _qm_cut_output_section(script .tls tls)
  _qm_cut_output_section(script .xdata xdata)
  set(data_end "    *(.data_cygwin_nocopy)\n")
  set(rdata_end "    __rt_psrelocs_end = .;\n")
  string(FIND "${script}" "${data_end}" data_at)
  string(FIND "${script}" "${rdata_end}" rdata_at)
  if(crt STREQUAL "" OR tls STREQUAL "" OR xdata STREQUAL "" OR data_at EQUAL -1 OR
     rdata_at EQUAL -1)
    message(WARNING "qm_few_sections: the linker's script is not the one expected; ${target} keeps all its sections")
    return()
  endif()
  # The dynamic thread-local initialisers' bounds lie in .CRT$XD*, which the linker's script
  # leaves to fall into .CRT by its name.
  string(REPLACE "${data_end}"
    "${data_end}${crt}\n    KEEP (*(SORT(.CRT$XD*)))\n${tls}\n" script "${script}")
  string(REPLACE "${rdata_end}" "${rdata_end}${xdata}\n" script "${script}")

  set(path ${CMAKE_CURRENT_BINARY_DIR}/${target}-sections.ld)
  file(WRITE ${path} "${script}")
  target_link_options(${target} PRIVATE "-Wl,-T,${path}")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${path})
endfunction()
