# cmake -DTS=<file.ts> -DCONTEXT=<name> -DOUT=<file.inc> -P TsContextTable.cmake
#
# Writes the finished translations of one context of a Qt Linguist file as
# C++ initialisers {"source", "translation"}, for a program without Qt that
# must speak the same words as the window. lupdate writes each message as
# <source>...</source> then <translation ...>...</translation>, one per line;
# the XML entities it uses are undone here.
file(READ "${TS}" ts)
string(REGEX MATCH "<name>${CONTEXT}</name>.*" rest "${ts}")
string(FIND "${rest}" "</context>" end)
string(SUBSTRING "${rest}" 0 ${end} body)
string(REGEX MATCHALL "<source>[^<]*</source>[ \t\r\n]*<translation>[^<]*</translation>" pairs "${body}")

set(entries "")
foreach(pair IN LISTS pairs)
  string(REGEX REPLACE "<source>([^<]*)</source>.*" "\\1" source "${pair}")
  string(REGEX REPLACE ".*<translation>([^<]*)</translation>" "\\1" translation "${pair}")
  foreach(part source translation)
    string(REPLACE "&lt;" "<" ${part} "${${part}}")
    string(REPLACE "&gt;" ">" ${part} "${${part}}")
    string(REPLACE "&quot;" "\"" ${part} "${${part}}")
    string(REPLACE "&apos;" "'" ${part} "${${part}}")
    string(REPLACE "&amp;" "&" ${part} "${${part}}")
    string(REPLACE "\\" "\\\\" ${part} "${${part}}")
    string(REPLACE "\"" "\\\"" ${part} "${${part}}")
  endforeach()
  string(APPEND entries "    {\"${source}\", \"${translation}\"},\n")
endforeach()
if(entries STREQUAL "")
  message(FATAL_ERROR "${TS} has no finished translations in context ${CONTEXT}")
endif()
file(WRITE "${OUT}.new" "// Made from ${TS} at build time; do not edit.\n${entries}")
file(COPY_FILE "${OUT}.new" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.new")
