# Authenticode signing (SHA-256) of the shipped program, by scripts/sign.sh after the link: with a PKCS#12 file,
# or with a key that never leaves a token or key service, through its PKCS#11 module (which code-signing
# certificates have required since 2023). The password or PIN is read from its file by osslsigncode itself, so it
# is never on a command line or in the log. Checked here, before anything is built.
set(VORAK_SIGN_PKCS12 "" CACHE FILEPATH "PKCS#12 file to sign the program with (empty: no PKCS#12 signing)")
set(VORAK_SIGN_PKCS11_MODULE "" CACHE FILEPATH "PKCS#11 module of the token or key service holding the signing key")
set(VORAK_SIGN_PKCS11_KEY "" CACHE STRING "PKCS#11 URI of the signing key")
set(VORAK_SIGN_PKCS11_CERT "" CACHE STRING "PKCS#11 URI of the signing certificate, or a PEM file of it and its chain")
set(VORAK_SIGN_PASSWORD_FILE "" CACHE FILEPATH "File holding the PKCS#12 file's password or the token's PIN")
set(VORAK_SIGN_TIMESTAMP_URLS "" CACHE STRING "RFC 3161 time-stamping URLs, tried in order (none: no time stamp)")
set(VORAK_SIGN_DESCRIPTION "Vorak Setup" CACHE STRING "Program name in the signature, shown by elevation prompts")
set(VORAK_SIGN_URL "https://www.vorak-game.com" CACHE STRING "Address in the signature")

set(VORAK_SIGNED OFF)
if(VORAK_SIGN_PKCS12 AND VORAK_SIGN_PKCS11_MODULE)
  message(FATAL_ERROR "Sign with VORAK_SIGN_PKCS12 or with VORAK_SIGN_PKCS11_MODULE, not both")
elseif(VORAK_SIGN_PKCS11_MODULE)
  if(NOT VORAK_SIGN_PKCS11_KEY OR NOT VORAK_SIGN_PKCS11_CERT)
    message(FATAL_ERROR "VORAK_SIGN_PKCS11_MODULE needs VORAK_SIGN_PKCS11_KEY and VORAK_SIGN_PKCS11_CERT (PKCS#11 URIs)")
  endif()
  set(VORAK_SIGNED ON)
elseif(VORAK_SIGN_PKCS12)
  set(VORAK_SIGNED ON)
else()
  message(STATUS "VorakSetup.exe is not signed: VORAK_SIGN_PKCS12 and VORAK_SIGN_PKCS11_MODULE are empty")
endif()
if(VORAK_SIGNED)
  find_program(OSSLSIGNCODE osslsigncode REQUIRED)
  if(NOT VORAK_SIGN_TIMESTAMP_URLS)
    message(FATAL_ERROR "VORAK_SIGN_TIMESTAMP_URLS is empty: a signature without a time stamp stops counting when "
      "its certificate expires, and every copy of the program then shows as unsigned. List your certification "
      "authority's RFC 3161 time-stamping URLs (tried in order), or set it to none to sign without one.")
  elseif(VORAK_SIGN_TIMESTAMP_URLS STREQUAL "none")
    message(WARNING "VorakSetup.exe is signed without a time stamp (VORAK_SIGN_TIMESTAMP_URLS is none): "
      "its signature dies with its certificate.")
  endif()
endif()

# Signs target's file after each link, or deletes it when that fails (sign.sh), so that the next build links again.
function(vorak_sign target)
  if(NOT VORAK_SIGNED)
    return()
  endif()
  string(REPLACE ";" " " urls "${VORAK_SIGN_TIMESTAMP_URLS}")
  set(environment)
  foreach(name PKCS12 PKCS11_MODULE PKCS11_KEY PKCS11_CERT PASSWORD_FILE DESCRIPTION URL)
    # A PKCS#11 URI's attributes are separated by semicolons, which CMake would take for a list.
    string(REPLACE ";" "$<SEMICOLON>" value "${VORAK_SIGN_${name}}")
    list(APPEND environment "VORAK_SIGN_${name}=${value}")
  endforeach()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E env ${environment} "VORAK_SIGN_TIMESTAMP_URLS=${urls}"
            bash ${CMAKE_SOURCE_DIR}/scripts/sign.sh $<TARGET_FILE:${target}>
    COMMENT "Signing ${target}" VERBATIM)
endfunction()
