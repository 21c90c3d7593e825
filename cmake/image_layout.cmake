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
