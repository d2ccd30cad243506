# The identity settings end to end: awkward but usable values reach the C++ literals and
# the language files unchanged, and values that cannot work stop the configuration with
# a message that names the setting.
#
#   cmake -DSOURCE_DIR=<repository> -DWORK_DIR=<scratch folder> -DCXX=<C++ compiler>
#         -DPYTHON=<python3> -P identity_settings.cmake
#
# With -DCHECK_ONLY=1 it only checks the LOCKBAY_* values given on its command line (the
# script runs itself that way to see the refusals).
cmake_minimum_required(VERSION 3.20)
include(${SOURCE_DIR}/cmake/LockbayIdentity.cmake)

set(LOCKBAY_UPDATE_HOST "update.example.com")
set(LOCKBAY_DOWNLOAD_HOST "[::1]:8080")
set(LOCKBAY_WEB_HOST "127.0.0.1:18080")
set(LOCKBAY_VENDOR_NAME [[Ann "Quote" O'Back\slash; Co]])
set(LOCKBAY_WEB_SITE_NAME [[-site;with "quotes" \ and ${HOME} @HOME@]])
set(LOCKBAY_SUPPORT_ADDRESS [[--help]])
if(CHECK_ONLY)
  foreach(name IN LISTS LOCKBAY_IDENTITY_SETTINGS)
    if(DEFINED BAD_${name})
      set(LOCKBAY_${name} "${BAD_${name}}")
    endif()
  endforeach()
  lockbay_prepare_identity()
  return()
endif()

function(fail)
  message(FATAL_ERROR ${ARGN})
endfunction()

# 1. The C++ literals: a program prints each value back.
lockbay_prepare_identity()
file(REMOVE_RECURSE ${WORK_DIR})
configure_file(${SOURCE_DIR}/product/identity.h.in ${WORK_DIR}/product/identity.h @ONLY)
file(WRITE ${WORK_DIR}/print.cpp [[
#include <cstdio>
#include <initializer_list>
#include "product/identity.h"
int main() {
    for (const wchar_t* value : {product::kUpdateHost, product::kDownloadHost, product::kWebHost,
                                 product::kVendorName, product::kWebSiteName, product::kSupportAddress}) {
        std::printf("%ls\n", value);
    }
}
]])
execute_process(COMMAND ${CXX} -std=c++20 -I${WORK_DIR} ${WORK_DIR}/print.cpp -o ${WORK_DIR}/print
                RESULT_VARIABLE built ERROR_VARIABLE errors)
if(NOT built EQUAL 0)
  fail("the identity header does not compile with awkward values:\n${errors}")
endif()
execute_process(COMMAND ${WORK_DIR}/print OUTPUT_VARIABLE printed)
string(JOIN "\n" expected ${LOCKBAY_UPDATE_HOST} ${LOCKBAY_DOWNLOAD_HOST} ${LOCKBAY_WEB_HOST})
string(APPEND expected "\n${LOCKBAY_VENDOR_NAME}\n${LOCKBAY_WEB_SITE_NAME}\n${LOCKBAY_SUPPORT_ADDRESS}\n")
if(NOT printed STREQUAL expected)
  fail("the identity header holds other values:\n${printed}\nexpected:\n${expected}")
endif()

# 2. The language files, made as the build makes them.
set(stamp ${WORK_DIR}/identity.txt)
file(CONFIGURE OUTPUT ${stamp} CONTENT "@LOCKBAY_WEB_SITE_NAME@\n@LOCKBAY_SUPPORT_ADDRESS@\n" @ONLY)
execute_process(COMMAND ${PYTHON} ${SOURCE_DIR}/tools/make_language_files.py --output-dir ${WORK_DIR}
                        --identity ${stamp} ${SOURCE_DIR}/texts/languages/english.txt
                RESULT_VARIABLE made ERROR_VARIABLE errors)
if(NOT made EQUAL 0)
  fail("the language files were not made:\n${errors}")
endif()
file(READ ${WORK_DIR}/english.vlng language)
string(FIND "${language}" ": ${LOCKBAY_WEB_SITE_NAME}\n" site)  # file(READ) drops the CRs
string(FIND "${language}" ": ${LOCKBAY_SUPPORT_ADDRESS}\n" address)
if(site EQUAL -1 OR address EQUAL -1)
  fail("english.vlng lacks the web site name or the support address as they were set")
endif()

# 3. Values that cannot work are refused, naming the setting.
string(ASCII 10 newline)
foreach(refused "UPDATE_HOST=update host" "WEB_HOST=www.example.com/path" "DOWNLOAD_HOST="
                "VENDOR_NAME=Two${newline}Lines" "SUPPORT_ADDRESS=a	tab")
  string(REGEX MATCH "^[A-Z_]+" name "${refused}")
  string(REGEX REPLACE "^[A-Z_]+=" "" value "${refused}")
  execute_process(COMMAND ${CMAKE_COMMAND} -DCHECK_ONLY=1 -DSOURCE_DIR=${SOURCE_DIR} "-DBAD_${name}=${value}"
                          -P ${CMAKE_CURRENT_LIST_FILE}
                  RESULT_VARIABLE result ERROR_VARIABLE errors)
  if(result EQUAL 0 OR NOT errors MATCHES "LOCKBAY_${name}")
    fail("LOCKBAY_${name}=\"${value}\" was not refused with a message naming it:\n${errors}")
  endif()
endforeach()
message(STATUS "identity settings: all checks passed")
