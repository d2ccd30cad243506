# Signs one Windows program with an Authenticode signature (SHA-256), made by
# osslsigncode with the build's certificate and key. Run by the build:
#
#   cmake -DOSSLSIGNCODE=<program> -DCERT=<pem> -DKEY=<pem> -DURL=<address>
#         -P sign.cmake <description> <file> [<signed file>]
#
# The description and the address are what Windows shows as the signed program's name
# and its publisher's page. Without <signed file> the file is signed in place (so that
# makensis's !uninstfinalize, which appends the file's name, can call this); either way
# the result appears only once it is completely signed.

# The arguments after the script's own path.
set(arguments)
set(first -1)
math(EXPR lastIndex "${CMAKE_ARGC} - 1")
foreach(index RANGE 1 ${lastIndex})
  if(first EQUAL -1 AND "${CMAKE_ARGV${index}}" STREQUAL "-P")
    math(EXPR first "${index} + 2")
  elseif(NOT first EQUAL -1 AND index GREATER_EQUAL first)
    list(APPEND arguments "${CMAKE_ARGV${index}}")
  endif()
endforeach()
list(LENGTH arguments count)
if(count LESS 2 OR count GREATER 3)
  message(FATAL_ERROR "sign.cmake: expected <description> <file> [<signed file>], got: ${arguments}")
endif()
list(GET arguments 0 description)
list(GET arguments 1 file)
if(count EQUAL 3)
  list(GET arguments 2 target)
else()
  set(target "${file}")
endif()
if(NOT EXISTS "${file}")
  message(FATAL_ERROR "sign.cmake: no file to sign at \"${file}\"")
endif()

set(signing "${target}.signing")
file(REMOVE "${signing}")
execute_process(
  COMMAND ${OSSLSIGNCODE} sign -certs ${CERT} -key ${KEY} -h sha256 -n ${description} -i ${URL}
          -in ${file} -out ${signing}
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  file(REMOVE "${signing}")
  message(FATAL_ERROR "osslsigncode could not sign ${file}:\n${output}")
endif()
file(RENAME "${signing}" "${target}")
