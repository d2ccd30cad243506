# What each Windows program needs besides its sources: its resources (manifest, icon and
# version) and the entry point from the platform library. Each rc file takes its version
# numbers from the generated product/version.h and the vendor's name from a header
# generated here, so that both stay single settings.
include_guard(GLOBAL)

# Inside a resource string a backslash escapes and a quote is written twice.
string(REPLACE "\\" "\\\\" LOCKBAY_RC_VENDOR_NAME "${LOCKBAY_VENDOR_NAME}")
string(REPLACE "\"" "\"\"" LOCKBAY_RC_VENDOR_NAME "${LOCKBAY_RC_VENDOR_NAME}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/resource_identity.h.in
               ${CMAKE_BINARY_DIR}/generated/product/resource_identity.h @ONLY)

# Gives `target` what its resources/<target>.rc needs to compile and its entry point
# (wWinMain for a window program; ENTRY_POINT wmain for a console program), and signs it
# after each link as `description` (installer/Signing.cmake).
function(lockbay_windows_program target description)
  cmake_parse_arguments(PARSE_ARGV 2 program "" "ENTRY_POINT" "")
  if(NOT program_ENTRY_POINT)
    set(program_ENTRY_POINT wWinMain)
  endif()
  target_include_directories(${target} PRIVATE
    ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated ${CMAKE_CURRENT_SOURCE_DIR}/resources)
  set(rc ${CMAKE_CURRENT_SOURCE_DIR}/resources/${target}.rc)
  set_property(SOURCE ${rc} APPEND PROPERTY OBJECT_DEPENDS
    ${CMAKE_BINARY_DIR}/generated/product/version.h
    ${CMAKE_BINARY_DIR}/generated/product/resource_identity.h
    ${CMAKE_CURRENT_SOURCE_DIR}/resources/${target}.manifest
    ${CMAKE_CURRENT_SOURCE_DIR}/resources/${target}.ico)
  if(MSVC)
    # The Visual Studio linker writes the manifest resource itself and refuses a second
    # one, so there the manifest goes to the linker instead of into the rc file.
    target_sources(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/resources/${target}.manifest)
    set_property(SOURCE ${rc} APPEND PROPERTY COMPILE_DEFINITIONS LOCKBAY_MANIFEST_FROM_LINKER)
  else()
    # The entry point lives in a static platform library, and only the C runtime, linked
    # after it, asks for it; the GNU linker must be told to take it in.
    target_link_options(${target} PRIVATE LINKER:--undefined=${program_ENTRY_POINT})
  endif()
  lockbay_sign_after_build(${target} "${description}")
endfunction()
