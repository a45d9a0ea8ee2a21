# CLI11Config.cmake: Debian's CLI11 package for the cross build, with only the
# library's headers on the include path.
include(/usr/share/cmake/CLI11/CLI11Config.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/../host-headers.cmake)
zub_use_host_headers(CLI11::CLI11 CLI)
