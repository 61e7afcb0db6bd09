# The package's copyright file quotes LICENSE: FERROTAP_COPYRIGHT is its copyright holder line
# without "Copyright (c)", FERROTAP_LICENSE_TEXT its text from "Permission" on, in the copyright
# format's layout (every line indented by one space, an empty line written " .").
set(license ${PROJECT_SOURCE_DIR}/LICENSE)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${license})
file(READ ${license} text)
if(NOT text MATCHES "\nCopyright \\(c\\) ([^\n]+)\n")
  message(FATAL_ERROR "${license}: no line 'Copyright (c) <year> <holder>'")
endif()
set(FERROTAP_COPYRIGHT ${CMAKE_MATCH_1})
string(FIND "${text}" "Permission" start)
if(start EQUAL -1)
  message(FATAL_ERROR "${license}: no licence text starting with 'Permission'")
endif()
string(SUBSTRING "${text}" ${start} -1 text)
string(STRIP "${text}" text)
string(REPLACE "\n\n" "\n.\n" text "${text}")
string(REPLACE "\n" "\n " FERROTAP_LICENSE_TEXT " ${text}")
