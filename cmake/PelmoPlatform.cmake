# File-per-platform: a source named *_posix.cpp is built on Linux only, one
# named *_win.cpp on Windows only; every other source is built on both.
# Tests that need Linux itself (namespaces, signals, terminals, the Linux
# sockets of the test fakes) are named *_posix_test.cpp or live in a
# *_posix.cpp fake and are left out of the Windows build the same way.
function(pelmo_platform_filter out_var)
  set(kept)
  foreach(source IN LISTS ARGN)
    get_filename_component(stem ${source} NAME_WE)
    if(WIN32 AND stem MATCHES "_posix(_test)?$")
      continue()
    endif()
    if(NOT WIN32 AND stem MATCHES "_win(_test)?$")
      continue()
    endif()
    list(APPEND kept ${source})
  endforeach()
  set(${out_var} ${kept} PARENT_SCOPE)
endfunction()
