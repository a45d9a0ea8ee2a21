# Writes OUT, a C++ source holding every MOF_DIR/*.mof as raw string
# literals (host/cim/dmtf_schema.cpp reads them). Each file is cut into pieces
# well below the 16 KiB some compilers allow one literal; the reader joins
# them again.
#   cmake -DMOF_DIR=dir -DOUT=file.cpp -P embed-mof.cmake
set(piece 12000)
set(delimiter "zubmof")
file(GLOB files RELATIVE ${MOF_DIR} ${MOF_DIR}/*.mof)
list(SORT files)
set(body "// Generated from ${MOF_DIR} by cmake/embed-mof.cmake: do not edit.\n")
string(APPEND body "#include \"host/cim/dmtf_schema.h\"\n\nnamespace zubwbem {\nnamespace {\n")
set(table "")
set(index 0)
foreach(name ${files})
  file(READ ${MOF_DIR}/${name} text)
  string(FIND "${text}" ")${delimiter}\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${name} holds )${delimiter}\", which would end the literal")
  endif()
  string(LENGTH "${text}" length)
  string(APPEND body "const char* const kFile${index}[] = {\n")
  set(at 0)
  while(at LESS length)
    string(SUBSTRING "${text}" ${at} ${piece} part)
    string(APPEND body "R\"${delimiter}(${part})${delimiter}\",\n")
    math(EXPR at "${at} + ${piece}")
  endwhile()
  string(APPEND body "nullptr};\n")
  string(APPEND table "    {\"${name}\", kFile${index}},\n")
  math(EXPR index "${index} + 1")
endforeach()
string(APPEND body "}  // namespace\n\n"
       "extern const EmbeddedMof kEmbeddedMof[] = {\n${table}    {nullptr, nullptr}};\n\n}  // namespace zubwbem\n")
file(WRITE ${OUT} "${body}")
