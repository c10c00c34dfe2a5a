# Packs the payload into a 7z archive and writes the resource script that embeds
# it as RT_RCDATA 100 (language 1033).
#
# VORAK_PAYLOAD: empty for the demo payload (the stand-in updater at
# wayspanner\wayspanner.exe and the files under payload/data); a folder, whose
# tree is packed instead; or a ready .7z archive, embedded as it is.
set(VORAK_PAYLOAD "" CACHE STRING "Payload to embed: a folder to pack, or a ready .7z archive (empty: the demo payload)")
find_program(SEVEN_ZIP 7zz REQUIRED)

set(payload_dir ${CMAKE_BINARY_DIR}/payload)
set(VORAK_PAYLOAD_ARCHIVE ${payload_dir}/payload.7z)
# LZMA2, 2^24 dictionary, no branch filter (7zz would put the executables in a
# block of their own), one solid block, compressed header. Neither times nor
# attributes are stored, so that the archive depends only on the files' bytes
# and names (7zz orders the entries itself).
set(pack_options -t7z -m0=lzma2 -md=24 -mf=off -ms=on -mhc=on -mtm=off -mtc=off -mta=off -mtr=off -bd -bso0 -bsp0)

# Every payload is checked, before it is embedded, by the program's own decoder
# built for this host (tools/archive_check): the build stops, naming the
# problem, at an archive the bootstrap could not extract.
set(check ${VORAK_PAYLOAD_CHECK})
set(unchecked ${payload_dir}/unchecked.7z)
if(VORAK_PAYLOAD MATCHES "\\.7z$")
  get_filename_component(given ${VORAK_PAYLOAD} ABSOLUTE)
  add_custom_command(OUTPUT ${VORAK_PAYLOAD_ARCHIVE}
    COMMAND ${check} ${given}
    COMMAND ${CMAKE_COMMAND} -E copy ${given} ${VORAK_PAYLOAD_ARCHIVE}
    DEPENDS ${given} ${check} host_tools COMMENT "Checking and embedding the payload archive ${given}")
elseif(VORAK_PAYLOAD)
  get_filename_component(given ${VORAK_PAYLOAD} ABSOLUTE)
  file(GLOB_RECURSE given_files CONFIGURE_DEPENDS ${given}/*)
  add_custom_command(OUTPUT ${VORAK_PAYLOAD_ARCHIVE}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${unchecked}
    COMMAND ${CMAKE_COMMAND} -E chdir ${given} ${SEVEN_ZIP} a ${pack_options} ${unchecked} .
    COMMAND ${check} ${unchecked}
    COMMAND ${CMAKE_COMMAND} -E rename ${unchecked} ${VORAK_PAYLOAD_ARCHIVE}
    DEPENDS ${given_files} ${check} host_tools COMMENT "Packing the payload tree ${given}")
else()
  set(tree ${payload_dir}/tree)
  file(GLOB_RECURSE demo_files CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/payload/data/*)
  add_custom_command(OUTPUT ${VORAK_PAYLOAD_ARCHIVE}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${tree} ${unchecked}
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/payload/data ${tree}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:standin_updater> ${tree}/wayspanner/wayspanner.exe
    COMMAND ${CMAKE_COMMAND} -E chdir ${tree} ${SEVEN_ZIP} a ${pack_options} ${unchecked} .
    COMMAND ${check} ${unchecked}
    COMMAND ${CMAKE_COMMAND} -E rename ${unchecked} ${VORAK_PAYLOAD_ARCHIVE}
    DEPENDS standin_updater ${demo_files} ${check} host_tools COMMENT "Packing the demo payload")
endif()
add_custom_target(payload_archive DEPENDS ${VORAK_PAYLOAD_ARCHIVE})

set(VORAK_PAYLOAD_RC ${CMAKE_BINARY_DIR}/generated/payload.rc)
file(WRITE ${VORAK_PAYLOAD_RC}.in
  "// Generated: the payload archive, RT_RCDATA 100.\nLANGUAGE 9, 1\n100 RCDATA \"@VORAK_PAYLOAD_ARCHIVE@\"\n")
configure_file(${VORAK_PAYLOAD_RC}.in ${VORAK_PAYLOAD_RC} @ONLY)
set_source_files_properties(${VORAK_PAYLOAD_RC} PROPERTIES OBJECT_DEPENDS ${VORAK_PAYLOAD_ARCHIVE})
