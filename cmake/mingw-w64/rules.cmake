# rules.cmake: read after CMake's Windows-GNU platform rules, which would
# name the DLLs lib<name>.dll; Windows programs load <name>.dll.
set(CMAKE_SHARED_LIBRARY_PREFIX "")
set(CMAKE_SHARED_MODULE_PREFIX "")
