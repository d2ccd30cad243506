# The product's identity as build settings: the three host names, the vendor's name, the
# web site name and the support address (LOCKBAY_UPDATE_HOST ... LOCKBAY_SUPPORT_ADDRESS).
#
# lockbay_prepare_identity() stops the configuration with a message naming the setting
# when a value cannot work (empty, holding a control character, or a host that is not a
# host name or address with an optional port), and sets LOCKBAY_CXX_<NAME> to each value
# written for the inside of a C++ string literal (backslashes and double quotes escaped),
# which product/identity.h.in takes.
include_guard(GLOBAL)

set(LOCKBAY_IDENTITY_SETTINGS UPDATE_HOST DOWNLOAD_HOST WEB_HOST VENDOR_NAME WEB_SITE_NAME SUPPORT_ADDRESS)

function(lockbay_prepare_identity)
  # Every control character (a CMake string never holds NUL).
  set(codes)
  foreach(code RANGE 1 31)
    list(APPEND codes ${code})
  endforeach()
  string(ASCII ${codes} 127 controls)
  # A host name or an IPv4 address, or an IPv6 address in brackets; then an optional port.
  set(hostPattern "^([A-Za-z0-9]([A-Za-z0-9.-]*[A-Za-z0-9])?|\\[[0-9A-Fa-f:.]+\\])(:[0-9]+)?$")

  foreach(name IN LISTS LOCKBAY_IDENTITY_SETTINGS)
    set(value "${LOCKBAY_${name}}")
    if(value STREQUAL "")
      message(FATAL_ERROR "LOCKBAY_${name} is empty; the product's identity needs a value for it.")
    endif()
    if(value MATCHES "[${controls}]")
      message(FATAL_ERROR "LOCKBAY_${name} holds a control character (a line break or tab, for "
                          "example); the value is shown on one line and must not.")
    endif()
    if(name MATCHES "_HOST$" AND NOT value MATCHES "${hostPattern}")
      message(FATAL_ERROR "LOCKBAY_${name} is \"${value}\", which is not a host: give a host name or "
                          "address with an optional port, such as update.example.com or 127.0.0.1:8080.")
    endif()
    string(REPLACE "\\" "\\\\" literal "${value}")
    string(REPLACE "\"" "\\\"" literal "${literal}")
    set(LOCKBAY_CXX_${name} "${literal}" PARENT_SCOPE)
  endforeach()
endfunction()
