# nlohmann_jsonConfig.cmake: Debian's nlohmann_json package for the cross
# build, with only the library's headers on the include path.
include(/usr/share/cmake/nlohmann_json/nlohmann_jsonConfig.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/../host-headers.cmake)
zub_use_host_headers(nlohmann_json::nlohmann_json nlohmann)
