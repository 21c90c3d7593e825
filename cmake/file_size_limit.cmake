# cmake -DFILE=PATH -DLIMIT=BYTES -P file_size_limit.cmake: fails when the file is larger.
file(SIZE "${FILE}" size)
message(STATUS "${FILE}: ${size} bytes (limit ${LIMIT})")
if(size GREATER LIMIT)
  message(FATAL_ERROR "${FILE} is ${size} bytes, more than ${LIMIT}")
endif()
