# What `make install` puts where, and the Debian package `make package`
# builds from it (CPack).
#
#   bin/                 the executables and kelvo-show
#   share/kelvo/game     the show's files, without what the show writes
#                        beside them (caches, newTablero.txt, stdin)
#   share/kelvo/examples the example scene scripts with their models
#   share/man/man1       the manual pages

include(GNUInstallDirs)

# `make install` and `make package` build first (see the Makefile); the
# install step itself builds nothing, so installing a built tree (as the
# package test does) does not build the test suite too.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

set(KELVO_PROGRAMS kelvo-viewer kelvo-scene kelvo-script kelvo-content kelvo-gui-art kelvo-show)
foreach(program ${KELVO_PROGRAMS})
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# The files a run leaves behind: cache files and half-written files in a
# "tmp" folder (its .gitkeep stays, so the folder is there), the board dump
# and "stdin".
set(KELVO_RUN_LEFTOVERS
  REGEX "/tmp/[^./][^/]*$" EXCLUDE
  REGEX "/newTablero\\.txt$" EXCLUDE
  REGEX "/stdin$" EXCLUDE
  REGEX "\\.new$" EXCLUDE)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/game/ DESTINATION ${CMAKE_INSTALL_DATADIR}/kelvo/game ${KELVO_RUN_LEFTOVERS})
# The examples have no "tmp" folders of their own: a run makes them.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/ DESTINATION ${CMAKE_INSTALL_DATADIR}/kelvo/examples
  USE_SOURCE_PERMISSIONS ${KELVO_RUN_LEFTOVERS} REGEX "/tmp$" EXCLUDE)

# Manual pages are installed compressed, as Debian wants them (gzip -n: no
# name or time stamp inside, so the same page gives the same bytes).
file(GLOB KELVO_MAN_PAGES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/man/*.1)
set(KELVO_MAN_PAGES_GZ)
foreach(page ${KELVO_MAN_PAGES})
  get_filename_component(name ${page} NAME)
  set(out ${CMAKE_BINARY_DIR}/man/${name}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND gzip -9 -n -c ${page} > ${out}
    DEPENDS ${page} VERBATIM)
  list(APPEND KELVO_MAN_PAGES_GZ ${out})
endforeach()
add_custom_target(kelvo-man-pages ALL DEPENDS ${KELVO_MAN_PAGES_GZ})
install(FILES ${KELVO_MAN_PAGES_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Everything the installation holds that is built, and nothing else (the
# test suite is not): what `make package` builds before packing.
add_custom_target(kelvo-installed DEPENDS kelvo-man-pages)
foreach(program ${KELVO_PROGRAMS})
  if(TARGET ${program})
    add_dependencies(kelvo-installed ${program})
  endif()
endforeach()

# --- the Debian package -----------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelvo-viewer)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Kelvo Viewer developers <kelvo-viewer@localhost>")
set(CPACK_PACKAGE_VENDOR "Kelvo Viewer")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "3D viewer with a staged show and a scene-script language")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# "games" is for packages whose programs lie in /usr/games.
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# The long description only: CPack puts the summary above it and indents
# each line by one space itself (a line that starts with a space would come
# out indented by two, which Debian shows verbatim, unwrapped).
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Kelvo Viewer shows scenes drawn with fixed-function OpenGL on SDL2: a
staged show (slides and a game on a board laid over a room), run with
kelvo-show from a per-user copy of its files, and scene scripts in a
language of its own, shown with kelvo-scene and checked with kelvo-script.
Example scripts are in /usr/share/kelvo/examples.")
# The libraries the programs link (SDL2, OpenAL, ALUT, FreeImage, the C and
# C++ run-times) are found by dpkg-shlibdeps, with their lowest versions;
# the viewer opens OpenGL, GLU, FreeImage and assimp at run time, so those are named
# here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1, libglu1-mesa, libfreeimage3, libassimp5")
set(CPACK_STRIP_FILES ON)
include(CPack)
