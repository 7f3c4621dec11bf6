# Turns one Markdown page of the manual into an HTML page:
#   cmake -DCMARK=cmark-gfm -DIN=page.md -DOUT=page.html -DTEMPLATE=page.html.in -P BuildPage.cmake
# The title is the page's first heading; every heading gets an id made from
# its text (lower case, words joined by "-") so that pages can link to it.
execute_process(COMMAND ${CMARK} -e table --unsafe ${IN}
                OUTPUT_VARIABLE BODY RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${CMARK} failed on ${IN}")
endif()

string(REGEX MATCH "<h1>([^<]*)</h1>" h1 "${BODY}")
set(TITLE "${CMAKE_MATCH_1}")
if(TITLE STREQUAL "")
  message(FATAL_ERROR "${IN} has no first-level heading")
endif()

string(REGEX MATCHALL "<h[1-4]>[^<]*</h[1-4]>" headings "${BODY}")
foreach(h ${headings})
  string(REGEX REPLACE "<h([1-4])>([^<]*)</h[1-4]>" "\\1" level "${h}")
  string(REGEX REPLACE "<h[1-4]>([^<]*)</h[1-4]>" "\\1" text "${h}")
  string(TOLOWER "${text}" id)
  string(REGEX REPLACE "&[a-z]+;" "" id "${id}")
  string(REGEX REPLACE "[^a-z0-9]+" "-" id "${id}")
  string(REGEX REPLACE "^-+|-+$" "" id "${id}")
  string(REPLACE "${h}" "<h${level} id=\"${id}\">${text}</h${level}>" BODY "${BODY}")
endforeach()

configure_file(${TEMPLATE} ${OUT} @ONLY)
