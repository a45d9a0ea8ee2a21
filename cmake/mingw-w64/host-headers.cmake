# host-headers.cmake: gives a header-only package found in Debian's /usr an
# include folder of its own, for the cross build. The folder holds a link to
# the library's header directory alone, so the cross compiler never sees the
# Linux C headers beside it in /usr/include.
function(zub_use_host_headers target subdir)
  set(dir ${CMAKE_BINARY_DIR}/mingw-host-headers/${subdir})
  if(NOT EXISTS ${dir}/${subdir})
    file(MAKE_DIRECTORY ${dir})
    file(CREATE_LINK /usr/include/${subdir} ${dir}/${subdir} SYMBOLIC)
  endif()
  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${dir})
endfunction()
