# What ships is built with debug information, which is then moved out of the
# binary: the shell maps folders.dll into every process that shows a folder,
# and a user has no use for the debug sections. The symbols stay beside it in
# symbols/NAME.debug (linked by .gnu_debuglink), so a crash address can still
# be read against exactly the binary that shipped. The tests run the stripped
# binary too.
#
# A link that writes a PDB (RELEASE_SYMBOLS pdb, the ARM64 build) keeps only
# the DWARF sections of zig's own runtime objects in the binary, which are
# stripped: its NAME.pdb goes to symbols/ as it is,
# named in the binary by file name, with an identity and time stamp drawn from
# the binary's content (cmake/pe_identity.py), so the same source gives the
# same bytes.
function(release_binary target destination)
  set(binary $<TARGET_FILE:${target}>)
  if(RELEASE_SYMBOLS STREQUAL pdb)
    set(pdb $<TARGET_FILE_DIR:${target}>/$<TARGET_FILE_BASE_NAME:${target}>.pdb)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_STRIP} --strip-debug ${binary}
      COMMAND python3 ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/pe_identity.py ${binary} ${pdb}
      COMMAND ${CMAKE_COMMAND} -E make_directory $<TARGET_FILE_DIR:${target}>/symbols
      COMMAND ${CMAKE_COMMAND} -E copy ${pdb} $<TARGET_FILE_DIR:${target}>/symbols/
      VERBATIM)
    install(TARGETS ${target} RUNTIME DESTINATION ${destination} LIBRARY DESTINATION ${destination})
    install(FILES $<TARGET_FILE_DIR:${target}>/symbols/$<TARGET_FILE_BASE_NAME:${target}>.pdb
            DESTINATION ${destination}/symbols)
    return()
  endif()
  set(symbols $<TARGET_FILE_DIR:${target}>/symbols/$<TARGET_FILE_NAME:${target}>.debug)
  # objcopy and strip stamp the files they write with the time, unless told
  # a time: the link's own stamp, which is none (0).
  set(at_no_time ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory $<TARGET_FILE_DIR:${target}>/symbols
    COMMAND ${at_no_time} ${CMAKE_OBJCOPY} --only-keep-debug ${binary} ${symbols}
    COMMAND ${at_no_time} ${CMAKE_STRIP} --strip-all ${binary}
    COMMAND ${at_no_time} ${CMAKE_OBJCOPY} --add-gnu-debuglink=${symbols} ${binary}
    VERBATIM)
  install(TARGETS ${target} RUNTIME DESTINATION ${destination} LIBRARY DESTINATION ${destination})
  install(FILES ${symbols} DESTINATION ${destination}/symbols)
endfunction()
