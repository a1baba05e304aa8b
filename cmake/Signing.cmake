# Everything the suite ships is signed as it ships (after stripping): the eight
# binaries, setup.exe and the uninstaller setup.exe writes. A release names its
# certificate; any other build signs with a test certificate of its own, made once
# under the build tree, so every build produces and checks signed binaries.
set(SUITE_SIGN_PKCS12 "" CACHE FILEPATH
    "PKCS#12 file of the release's code-signing certificate; empty: a test certificate")
set(SUITE_SIGN_PASSWORD_FILE "" CACHE FILEPATH "File holding that PKCS#12 file's password")
set(SUITE_SIGN_TIMESTAMP_URL "" CACHE STRING
    "Time-stamping server; a release must be timestamped")
set(SUITE_SIGN_CHECK_ROOT "" CACHE FILEPATH
    "Root certificate the build checks a release's signatures against; empty: the system's")

find_program(OSSLSIGNCODE osslsigncode)
if(NOT OSSLSIGNCODE)
  message(FATAL_ERROR "osslsigncode is missing, and nothing ships unsigned: scripts/install-deps "
                      "installs it (Debian package osslsigncode)")
endif()

set(SUITE_SIGNING_DIR ${CMAKE_BINARY_DIR}/signing)
if(SUITE_SIGN_PKCS12)
  if(NOT SUITE_SIGN_PASSWORD_FILE)
    message(FATAL_ERROR "SUITE_SIGN_PKCS12 needs SUITE_SIGN_PASSWORD_FILE, the file holding its password")
  endif()
  set(pkcs12 ${SUITE_SIGN_PKCS12})
  set(password ${SUITE_SIGN_PASSWORD_FILE})
  set(SUITE_SIGN_ROOT "${SUITE_SIGN_CHECK_ROOT}")
else()
  set(pkcs12 ${SUITE_SIGNING_DIR}/test/signer.p12)
  set(password ${SUITE_SIGNING_DIR}/test/signer.pass)
  set(SUITE_SIGN_ROOT ${SUITE_SIGNING_DIR}/test/root.crt)
  if(NOT EXISTS ${pkcs12})
    execute_process(COMMAND ${CMAKE_SOURCE_DIR}/scripts/make-test-certificate ${SUITE_SIGNING_DIR}/test
                    RESULT_VARIABLE made)
    if(NOT made EQUAL 0)
      message(FATAL_ERROR "could not make the test signing certificate (openssl)")
    endif()
  endif()
endif()

# One command for the build's post-link steps and for makensis alike:
#   sign BINARY [COPY]
set(timestamp)
if(SUITE_SIGN_TIMESTAMP_URL)
  set(timestamp "--timestamp '${SUITE_SIGN_TIMESTAMP_URL}'")
endif()
file(CONFIGURE OUTPUT ${SUITE_SIGNING_DIR}/sign CONTENT
"#!/bin/sh
exec '${CMAKE_SOURCE_DIR}/scripts/sign' --pkcs12 '${pkcs12}' --password-file '${password}' ${timestamp} \"$@\"
")
file(CHMOD ${SUITE_SIGNING_DIR}/sign PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
     GROUP_EXECUTE)
set(SUITE_SIGN ${SUITE_SIGNING_DIR}/sign)
# A binary is signed when it is linked: another certificate or way of signing
# links it again, so nothing keeps a signature by a certificate since replaced.
set(SUITE_SIGN_INPUTS ${pkcs12} ${password} ${SUITE_SIGN} ${CMAKE_SOURCE_DIR}/scripts/sign)
# For the check that a signing given a time-stamping server stamps.
set(SUITE_SIGN_CERTIFICATE ${pkcs12})
set(SUITE_SIGN_PASSWORD ${password})
# The uninstaller as setup.exe holds it, signed, for the build's own checks.
set(SUITE_SIGNED_UNINSTALLER ${SUITE_SIGNING_DIR}/uninst.exe)
