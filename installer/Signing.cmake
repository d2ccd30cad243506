# Authenticode signing of the Windows programs and the setup, with osslsigncode.
#
# The certificate and its key are the build settings LOCKBAY_SIGNING_CERT and
# LOCKBAY_SIGNING_KEY (PEM files). When both are empty, a development certificate is
# made once in <build>/signing with openssl, and the build says plainly that it is a
# development build.
#
# The updater starts only a setup whose signer has the key of this certificate: the
# SHA-256 of its SubjectPublicKeyInfo (DER) is written to the generated header
# product/signing_key_pin.h, which the updater compiles in.
#
# Gives:
#   lockbay_sign_after_build(<target> <description>)  signs the target's file after each link
#   LOCKBAY_SIGN_COMMAND   a command that signs the file named by its last argument
#                          (for files the build makes otherwise, such as the setup)
include_guard(GLOBAL)

find_program(LOCKBAY_OPENSSL openssl)
find_program(LOCKBAY_OSSLSIGNCODE osslsigncode)
if(NOT LOCKBAY_OPENSSL OR NOT LOCKBAY_OSSLSIGNCODE)
  message(FATAL_ERROR "Signing the programs needs openssl and osslsigncode "
                      "(Debian: apt-get install openssl osslsigncode; tools/run-tests.sh installs them).")
endif()

# The name of a development certificate: a build signed with one, whichever build made
# it, is a development build.
set(LOCKBAY_DEVELOPMENT_SUBJECT "Lockbay development build (not for distribution)")

if(LOCKBAY_DEVELOPMENT_BUILD)
  set(signingDir ${CMAKE_BINARY_DIR}/signing)
  set(LOCKBAY_SIGNING_CERT_FILE ${signingDir}/development-certificate.pem)
  set(LOCKBAY_SIGNING_KEY_FILE ${signingDir}/development-key.pem)
  if(NOT EXISTS ${LOCKBAY_SIGNING_CERT_FILE} OR NOT EXISTS ${LOCKBAY_SIGNING_KEY_FILE})
    file(MAKE_DIRECTORY ${signingDir})
    execute_process(
      COMMAND ${LOCKBAY_OPENSSL} req -x509 -newkey rsa:3072 -nodes -sha256 -days 3650
              -subj "/CN=${LOCKBAY_DEVELOPMENT_SUBJECT}"
              -addext "keyUsage=critical,digitalSignature"
              -addext "extendedKeyUsage=codeSigning"
              -keyout ${LOCKBAY_SIGNING_KEY_FILE} -out ${LOCKBAY_SIGNING_CERT_FILE}
      RESULT_VARIABLE made OUTPUT_QUIET ERROR_VARIABLE error)
    if(NOT made EQUAL 0)
      message(FATAL_ERROR "openssl could not make the development certificate: ${error}")
    endif()
  endif()
  message(WARNING "Development build: LOCKBAY_SIGNING_CERT and LOCKBAY_SIGNING_KEY are not set, so the "
                  "programs and LockbaySetup.exe are signed with the development certificate "
                  "${LOCKBAY_SIGNING_CERT_FILE}. Only updaters of builds with this certificate accept "
                  "the setup. Do not distribute this build.")
else()
  foreach(setting LOCKBAY_SIGNING_CERT LOCKBAY_SIGNING_KEY)
    if(NOT EXISTS "${${setting}}" OR IS_DIRECTORY "${${setting}}")
      message(FATAL_ERROR "${setting} names no file: \"${${setting}}\". Set both LOCKBAY_SIGNING_CERT and "
                          "LOCKBAY_SIGNING_KEY to PEM files, or neither for a development build.")
    endif()
  endforeach()
  get_filename_component(LOCKBAY_SIGNING_CERT_FILE "${LOCKBAY_SIGNING_CERT}" ABSOLUTE)
  get_filename_component(LOCKBAY_SIGNING_KEY_FILE "${LOCKBAY_SIGNING_KEY}" ABSOLUTE)
  execute_process(COMMAND ${LOCKBAY_OPENSSL} x509 -in ${LOCKBAY_SIGNING_CERT_FILE} -noout -subject
                  OUTPUT_VARIABLE subject ERROR_VARIABLE error RESULT_VARIABLE read)
  if(NOT read EQUAL 0)
    message(FATAL_ERROR "openssl cannot read LOCKBAY_SIGNING_CERT ${LOCKBAY_SIGNING_CERT_FILE}: ${error}")
  endif()
  string(FIND "${subject}" "${LOCKBAY_DEVELOPMENT_SUBJECT}" development)
  if(development EQUAL -1)
    message(STATUS "Signing with ${LOCKBAY_SIGNING_CERT_FILE}")
  else()
    set(LOCKBAY_DEVELOPMENT_BUILD ON)
    message(WARNING "Development build: LOCKBAY_SIGNING_CERT is a development certificate made by a build "
                    "(${LOCKBAY_SIGNING_CERT_FILE}). Do not distribute this build.")
  endif()
endif()
# A new certificate or key in the same place configures the build again.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${LOCKBAY_SIGNING_CERT_FILE}
                                                              ${LOCKBAY_SIGNING_KEY_FILE})

# The SHA-256 of a DER SubjectPublicKeyInfo that openssl prints (PEM) for `what`.
function(lockbay_key_hash result what)
  execute_process(
    COMMAND ${ARGN}
    COMMAND ${LOCKBAY_OPENSSL} pkey -pubin -outform DER
    COMMAND ${LOCKBAY_OPENSSL} dgst -sha256 -r
    OUTPUT_VARIABLE digest RESULTS_VARIABLE steps ERROR_VARIABLE error)
  string(REGEX MATCH "^[0-9a-f][0-9a-f]*" hash "${digest}")
  string(LENGTH "${hash}" length)
  if(NOT length EQUAL 64 OR NOT steps STREQUAL "0;0;0")
    message(FATAL_ERROR "openssl could not read the public key of ${what}: ${error}")
  endif()
  set(${result} ${hash} PARENT_SCOPE)
endfunction()

lockbay_key_hash(certificateKey "${LOCKBAY_SIGNING_CERT_FILE}"
                 ${LOCKBAY_OPENSSL} x509 -in ${LOCKBAY_SIGNING_CERT_FILE} -noout -pubkey)
lockbay_key_hash(privateKey "${LOCKBAY_SIGNING_KEY_FILE}"
                 ${LOCKBAY_OPENSSL} pkey -in ${LOCKBAY_SIGNING_KEY_FILE} -pubout)
if(NOT certificateKey STREQUAL privateKey)
  message(FATAL_ERROR "LOCKBAY_SIGNING_KEY is not the key of LOCKBAY_SIGNING_CERT.")
endif()

string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1, " LOCKBAY_SIGNING_KEY_PIN_BYTES "${certificateKey}")
string(REGEX REPLACE ", $" "" LOCKBAY_SIGNING_KEY_PIN_BYTES "${LOCKBAY_SIGNING_KEY_PIN_BYTES}")
set(LOCKBAY_SIGNING_KEY_PIN_HEX ${certificateKey})
configure_file(${CMAKE_CURRENT_LIST_DIR}/signing_key_pin.h.in
               ${CMAKE_BINARY_DIR}/generated/product/signing_key_pin.h @ONLY)

set(LOCKBAY_SIGN_COMMAND
    ${CMAKE_COMMAND} -DOSSLSIGNCODE=${LOCKBAY_OSSLSIGNCODE} -DCERT=${LOCKBAY_SIGNING_CERT_FILE}
    -DKEY=${LOCKBAY_SIGNING_KEY_FILE} -DURL=http://${LOCKBAY_WEB_HOST}/
    -P ${CMAKE_CURRENT_LIST_DIR}/sign.cmake)

function(lockbay_sign_after_build target description)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${LOCKBAY_SIGN_COMMAND} "${description}" $<TARGET_FILE:${target}>
    COMMENT "Signing ${target}"
    VERBATIM)
endfunction()
