# Run by CPack between staging the installed files and packing them.

# Without dpkg-shlibdeps CPack still makes the package, naming none of the
# libraries the program is linked with, and apt would install it without them.
find_program(TOLVANE_SHLIBDEPS dpkg-shlibdeps)
if(NOT TOLVANE_SHLIBDEPS)
  message(FATAL_ERROR "dpkg-shlibdeps not found: making the Debian package needs dpkg-dev")
endif()

# Debian keeps the programs of games in /usr/games rather than /usr/bin, and
# the package's section is games. The desktop entry names the program without
# a folder, and /usr/games is on every Debian user's search path.
set(prefix "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
if(NOT EXISTS "${prefix}/bin/tolvane32")
  message(FATAL_ERROR "no ${prefix}/bin/tolvane32 to move to games/")
endif()
file(MAKE_DIRECTORY "${prefix}/games")
file(RENAME "${prefix}/bin/tolvane32" "${prefix}/games/tolvane32")
file(GLOB left "${prefix}/bin/*")
if(NOT left)
  file(REMOVE_RECURSE "${prefix}/bin")
endif()

# CPack has stripped the symbols; the compiler's version notes go as well, as
# in every program Debian builds itself: the game's and its help viewer's.
if(CPACK_TOLVANE_STRIP)
  foreach(program games/tolvane32 libexec/tolvane32/tolvane32-help)
    execute_process(
      COMMAND "${CPACK_TOLVANE_STRIP}" --remove-section=.comment --remove-section=.note "${prefix}/${program}"
      RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "strip of ${prefix}/${program} failed: ${result}")
    endif()
  endforeach()
endif()
