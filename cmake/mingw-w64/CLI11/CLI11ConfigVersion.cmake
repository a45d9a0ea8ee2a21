# CLI11ConfigVersion.cmake: the version Debian's package declares.
include(/usr/share/cmake/CLI11/CLI11ConfigVersion.cmake)
