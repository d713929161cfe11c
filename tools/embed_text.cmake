# Writes a C++ source that returns the text of files as one string: a
# function FUNCTION() returning std::string_view over the files' bytes in the
# order given. Run at build time:
#   cmake -DOUT=x.cpp -DFUNCTION=Name "-DFILES=a;b" -P embed_text.cmake
# The text goes in as raw string literals of at most 16 KB each (adjacent
# literals join), cut at line ends, so no compiler meets one huge token.
cmake_minimum_required(VERSION 3.25)
set(delimiter "qz_embed")
set(body "")
foreach(file IN LISTS FILES)
  file(READ "${file}" rest)
  string(FIND "${rest}" ")${delimiter}\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${file} holds the literal's end marker")
  endif()
  while(NOT rest STREQUAL "")
    # A piece of 16000 bytes and the rest of its line.
    string(LENGTH "${rest}" size)
    set(cut ${size})
    if(size GREATER 16000)
      string(SUBSTRING "${rest}" 16000 -1 tail)
      string(FIND "${tail}" "\n" newline)
      if(NOT newline EQUAL -1)
        math(EXPR cut "16000 + ${newline} + 1")
      endif()
    endif()
    string(SUBSTRING "${rest}" 0 ${cut} chunk)
    string(SUBSTRING "${rest}" ${cut} -1 rest)
    string(APPEND body "    R\"${delimiter}(${chunk})${delimiter}\"\n")
  endwhile()
endforeach()
set(text "// Made by tools/embed_text.cmake at build time: do not edit.\n")
string(APPEND text "#include <string_view>\n\n")
string(APPEND text "std::string_view ${FUNCTION}();\n\n")
string(APPEND text "std::string_view ${FUNCTION}() {\n    static constexpr char kText[] =\n${body}        \"\";\n")
string(APPEND text "    return std::string_view(kText, sizeof kText - 1);\n}\n")
# Rewritten only when it changed, so that a rebuild compiles nothing new.
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
  if(old STREQUAL text)
    return()
  endif()
endif()
file(WRITE "${OUT}" "${text}")
