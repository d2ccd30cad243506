# Making a Windows Installer package: lockbay_add_msi(), used for Lockbay.msi of the build
# (installer/CMakeLists.txt) and for the next version's package of the end-to-end tests.
#
#   lockbay_add_msi(<target> VERSION <Major.Minor.Revision> FILES <folder> OUTPUT <file>
#                   DEPENDS <what the files are made by>... [AFTER <targets>...])
#
# Debian's wixl compiles installer/lockbay.wxs in <folder>, where the build puts the files
# that the package lists (the same as the setup's), for 64-bit Windows; the package is
# then signed with the build's certificate (Signing.cmake), as the setup is. The target
# is built by default.
include_guard(GLOBAL)
include(${CMAKE_CURRENT_LIST_DIR}/../cmake/LockbayVersion.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/Setup.cmake)  # LOCKBAY_MSI_UPGRADE_CODE

find_program(LOCKBAY_WIXL wixl)
if(NOT LOCKBAY_WIXL AND CMAKE_HOST_WIN32)
  # msitools is a Linux tool: a build on Windows (the msvc preset) makes the setup only.
  message(STATUS "wixl not found: Lockbay.msi is not built")
elseif(NOT LOCKBAY_WIXL)
  message(FATAL_ERROR "Making Lockbay.msi needs wixl (Debian: apt-get install wixl; tools/run-tests.sh installs it).")
endif()
set(LOCKBAY_MSI_DIR ${CMAKE_CURRENT_LIST_DIR})

function(lockbay_add_msi target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "VERSION;FILES;OUTPUT" "DEPENDS;AFTER")
  lockbay_version_parts("${arg_VERSION}" "lockbay_add_msi(${target}) VERSION")
  if(NOT LOCKBAY_WIXL)
    return()
  endif()
  set(unsigned ${CMAKE_CURRENT_BINARY_DIR}/${target}-unsigned.msi)
  add_custom_command(
    OUTPUT ${arg_OUTPUT}
    COMMAND ${LOCKBAY_WIXL} --arch x64 -D Version=${arg_VERSION} -D "Vendor=${LOCKBAY_VENDOR_NAME}"
            -D WebHost=${LOCKBAY_WEB_HOST} -D UpgradeCode=${LOCKBAY_MSI_UPGRADE_CODE} -o ${unsigned} ${LOCKBAY_MSI_DIR}/lockbay.wxs
    COMMAND ${LOCKBAY_SIGN_COMMAND} "Lockbay" ${unsigned} ${arg_OUTPUT}
    WORKING_DIRECTORY ${arg_FILES}
    DEPENDS ${arg_DEPENDS} ${LOCKBAY_MSI_DIR}/lockbay.wxs ${LOCKBAY_MSI_DIR}/policies/Lockbay.admx
            ${LOCKBAY_MSI_DIR}/policies/en-US/Lockbay.adml ${CMAKE_SOURCE_DIR}/lockbay/resources/lockbay.ico
            ${LOCKBAY_MSI_DIR}/sign.cmake
    COMMENT "Making and signing the Windows Installer package of Lockbay ${arg_VERSION}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${arg_OUTPUT})
  if(arg_AFTER)
    add_dependencies(${target} ${arg_AFTER})
  endif()
endfunction()
