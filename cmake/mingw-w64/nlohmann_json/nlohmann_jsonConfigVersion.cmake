# nlohmann_jsonConfigVersion.cmake: the version Debian's package declares.
include(/usr/share/cmake/nlohmann_json/nlohmann_jsonConfigVersion.cmake)
