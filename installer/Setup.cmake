# Making a setup program: lockbay_add_setup(), used for LockbaySetup.exe of the build
# (installer/CMakeLists.txt) and for the next version's setup of the end-to-end tests.
#
#   lockbay_add_setup(<target> VERSION <Major.Minor.Revision> FILES <folder> OUTPUT <file>
#                     DEPENDS <what the files are made by>...)
#
# NSIS packs the files that lockbay.nsi lists, found below <folder> where the build puts
# them (lockbay/lockbay.exe, update/update.exe, watch/lockbay-watch.exe, cli/lockbay-cli.exe,
# lockbay/*.vlng); the uninstaller is signed before it is packed and the setup after it
# is made, both with the build's certificate (Signing.cmake). Debian's makensis with its
# 64-bit stub: the setup runs on 64-bit Windows only, as the programs do. The target is
# built by default.
include_guard(GLOBAL)
include(${CMAKE_CURRENT_LIST_DIR}/../cmake/LockbayVersion.cmake)

find_program(LOCKBAY_MAKENSIS makensis)
if(NOT LOCKBAY_MAKENSIS)
  message(FATAL_ERROR "Making LockbaySetup.exe needs NSIS "
                      "(Debian: apt-get install nsis; tools/run-tests.sh installs it).")
endif()
set(LOCKBAY_INSTALLER_DIR ${CMAKE_CURRENT_LIST_DIR})
# The upgrade code of Lockbay.msi (Msi.cmake), the same for every version: Windows
# Installer knows the package's installations by it, and so does the setup, which never
# installs over one.
set(LOCKBAY_MSI_UPGRADE_CODE 6B7D3C52-1E0A-4F6B-9C8D-2A4E5F607182)

# A text inside an NSIS string: "$" starts a variable and "$\"" is a quote.
function(lockbay_nsis_string result text)
  string(REPLACE "$" "$$" text "${text}")
  string(REPLACE "\"" "$\\\"" text "${text}")
  string(REPLACE "\n" " " text "${text}")
  set(${result} "${text}" PARENT_SCOPE)
endfunction()

function(lockbay_add_setup target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "VERSION;FILES;OUTPUT" "DEPENDS")
  lockbay_version_parts("${arg_VERSION}" "lockbay_add_setup(${target}) VERSION")
  set(LOCKBAY_VERSION ${arg_VERSION})
  set(NSIS_FILES_DIR ${arg_FILES})
  lockbay_nsis_string(NSIS_VENDOR_NAME "${LOCKBAY_VENDOR_NAME}")
  lockbay_nsis_string(NSIS_WEB_HOST "${LOCKBAY_WEB_HOST}")
  set(NSIS_ICON ${CMAKE_SOURCE_DIR}/lockbay/resources/lockbay.ico)
  get_target_property(NSIS_WELCOME_BITMAP lockbay_setup_pictures LOCKBAY_WELCOME_BITMAP)
  if(LOCKBAY_DEVELOPMENT_BUILD)
    set(NSIS_DEVELOPMENT_BUILD_DEFINE "!define DEVELOPMENT_BUILD")
  else()
    set(NSIS_DEVELOPMENT_BUILD_DEFINE "")
  endif()
  # The signing command as one line for the shell that makensis hands it to.
  set(NSIS_SIGN_UNINSTALLER "")
  foreach(word IN LISTS LOCKBAY_SIGN_COMMAND ITEMS "Lockbay Uninstaller")
    string(APPEND NSIS_SIGN_UNINSTALLER "\"${word}\" ")
  endforeach()
  string(STRIP "${NSIS_SIGN_UNINSTALLER}" NSIS_SIGN_UNINSTALLER)
  set(work ${CMAKE_CURRENT_BINARY_DIR}/${target})
  set(buildSettings ${work}/build_settings.nsh)
  configure_file(${LOCKBAY_INSTALLER_DIR}/build_settings.nsh.in ${buildSettings} @ONLY)

  # Multi-configuration generators (Visual Studio) put each configuration's files into a
  # folder of its own below the target's.
  get_property(multiConfig GLOBAL PROPERTY GENERATOR_IS_MULTI_CONFIG)
  if(multiConfig)
    set(configFolder "/$<CONFIG>")
  else()
    set(configFolder "")
  endif()

  set(unsigned ${work}/unsigned.exe)
  add_custom_command(
    OUTPUT ${arg_OUTPUT}
    COMMAND ${LOCKBAY_MAKENSIS} -V2 -INPUTCHARSET UTF8 -DBUILD_SETTINGS=${buildSettings}
            -DCONFIG_FOLDER=${configFolder} -DOUTFILE=${unsigned} ${LOCKBAY_INSTALLER_DIR}/lockbay.nsi
    COMMAND ${LOCKBAY_SIGN_COMMAND} "Lockbay Setup" ${unsigned} ${arg_OUTPUT}
    DEPENDS ${arg_DEPENDS} ${LOCKBAY_INSTALLER_DIR}/lockbay.nsi ${buildSettings} ${NSIS_WELCOME_BITMAP}
            ${LOCKBAY_INSTALLER_DIR}/policies/Lockbay.admx ${LOCKBAY_INSTALLER_DIR}/policies/en-US/Lockbay.adml
            ${NSIS_ICON} ${LOCKBAY_INSTALLER_DIR}/sign.cmake
    COMMENT "Making and signing the setup of Lockbay ${arg_VERSION}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${arg_OUTPUT})
  add_dependencies(${target} lockbay_setup_pictures)
endfunction()
