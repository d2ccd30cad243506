# lockbay_version_parts(<version> <what>): checks that <version> is Major.Minor.Revision,
# each a number from 0 to 65535 without leading zeros (what a version resource holds),
# and sets LOCKBAY_VERSION_MAJOR, _MINOR and _REVISION in the caller. <what> names the
# setting in the message that stops CMake otherwise.
include_guard(GLOBAL)

function(lockbay_version_parts version what)
  set(part "(0|[1-9][0-9]?[0-9]?[0-9]?[0-9]?)")
  if(NOT version MATCHES "^${part}\\.${part}\\.${part}$"
     OR CMAKE_MATCH_1 GREATER 65535 OR CMAKE_MATCH_2 GREATER 65535 OR CMAKE_MATCH_3 GREATER 65535)
    message(FATAL_ERROR "${what} must be Major.Minor.Revision, each a number from 0 to 65535 "
                        "without leading zeros, such as 4.0.1; it is \"${version}\".")
  endif()
  set(LOCKBAY_VERSION_MAJOR ${CMAKE_MATCH_1} PARENT_SCOPE)
  set(LOCKBAY_VERSION_MINOR ${CMAKE_MATCH_2} PARENT_SCOPE)
  set(LOCKBAY_VERSION_REVISION ${CMAKE_MATCH_3} PARENT_SCOPE)
endfunction()
