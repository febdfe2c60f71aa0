# Install rules and CPack's Debian package (make dist). Debian's custom for
# games: the commands in /usr/games, the program itself beside its private data
# in /usr/lib/games, the asset set in /usr/share/games. The command people and
# the menu run, `merrowind`, is a launcher that picks the folder to start in.
set(MERROWIND_GAMES_DIR games)
set(MERROWIND_LIB_DIR lib/games/merrowind)
set(MERROWIND_DATA_DIR share/games/merrowind)
set(MERROWIND_DOC_DIR share/doc/merrowind)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

# The launcher names the installed paths, so it is written for the prefix.
set(MERROWIND_DATA_PATH ${CPACK_PACKAGING_INSTALL_PREFIX}/${MERROWIND_DATA_DIR})
set(MERROWIND_PROGRAM_PATH ${CPACK_PACKAGING_INSTALL_PREFIX}/${MERROWIND_LIB_DIR}/merrowind)
configure_file(packaging/merrowind.in ${CMAKE_BINARY_DIR}/packaging/merrowind @ONLY)
configure_file(packaging/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
# Software centres find the program by its AppStream component, named in
# reverse order of the project's site, whose docs/ holds the screenshots.
set(MERROWIND_HOMEPAGE https://merrowind.example/)
set(MERROWIND_APP_ID example.merrowind.Merrowind)
configure_file(packaging/merrowind.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/packaging/${MERROWIND_APP_ID}.metainfo.xml @ONLY)
set(MAN_PAGES merrowind merrowind-assets bmpcheck)
foreach(page ${MAN_PAGES})
  configure_file(packaging/man/${page}.6 ${CMAKE_BINARY_DIR}/packaging/man/${page}.6 @ONLY)
endforeach()

# Made at build time, only for the package: the generated asset set, the icon
# sizes cut from our own screenshot, the compressed changelog and manual pages.
set(PKG ${CMAKE_BINARY_DIR}/packaging)
set(ICON_SIZES 16 32 48 64 128 256)
set(ICON_FILES)
foreach(size ${ICON_SIZES})
  list(APPEND ICON_FILES ${PKG}/icons/${size}/merrowind.png)
endforeach()
find_program(CONVERT_TOOL convert)
find_program(GZIP_TOOL gzip)
add_custom_command(OUTPUT ${PKG}/texture3/Terrain.raw
  COMMAND merrowind-assets --force ${PKG}/texture3
  DEPENDS merrowind-assets VERBATIM)
add_custom_command(OUTPUT ${ICON_FILES}
  COMMAND ${CMAKE_COMMAND} -DCONVERT=${CONVERT_TOOL} -DSOURCE=${CMAKE_SOURCE_DIR}/docs/start.jpg
          -DOUT=${PKG}/icons "-DSIZES=${ICON_SIZES}" -P ${CMAKE_SOURCE_DIR}/cmake/make-icons.cmake
  DEPENDS ${CMAKE_SOURCE_DIR}/docs/start.jpg ${CMAKE_SOURCE_DIR}/cmake/make-icons.cmake VERBATIM)
set(GZIPPED ${PKG}/changelog.gz)
foreach(page ${MAN_PAGES})
  list(APPEND GZIPPED ${PKG}/man/${page}.6.gz)
endforeach()
foreach(file ${GZIPPED})
  string(REGEX REPLACE "\\.gz$" "" plain ${file})
  add_custom_command(OUTPUT ${file} COMMAND ${GZIP_TOOL} -9nkf ${plain} DEPENDS ${plain} VERBATIM)
endforeach()
add_custom_target(package_data ALL DEPENDS ${PKG}/texture3/Terrain.raw ${ICON_FILES} ${GZIPPED})

install(TARGETS merrowind DESTINATION ${MERROWIND_LIB_DIR})
install(TARGETS merrowind-assets bmpcheck DESTINATION ${MERROWIND_GAMES_DIR})
install(PROGRAMS ${PKG}/merrowind DESTINATION ${MERROWIND_GAMES_DIR})
install(DIRECTORY ${PKG}/texture3 DESTINATION ${MERROWIND_DATA_DIR})
install(FILES packaging/merrowind.desktop DESTINATION share/applications)
install(FILES ${PKG}/${MERROWIND_APP_ID}.metainfo.xml DESTINATION share/metainfo)
foreach(size ${ICON_SIZES})
  install(FILES ${PKG}/icons/${size}/merrowind.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES packaging/copyright ${PKG}/changelog.gz DESTINATION ${MERROWIND_DOC_DIR})
foreach(page ${MAN_PAGES})
  install(FILES ${PKG}/man/${page}.6.gz DESTINATION share/man/man6)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME merrowind)
set(CPACK_PACKAGE_VENDOR "Merrowind developers")
set(CPACK_PACKAGE_CONTACT "Merrowind developers <maintainers@merrowind.example>")
# CPack puts the summary first and indents the rest, an empty line for " .".
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small 3D scene: a go-kart on a height-map terrain")
set(CPACK_PACKAGE_DESCRIPTION "Merrowind draws a height-map terrain with a detail texture under a slowly
turning sky box, and lets you drive a go-kart over it with the mouse and the
keyboard. It uses OpenGL 1.1 and GLU through SDL2.

The package holds the program with its generated asset set, the asset
generator merrowind-assets and the BMP checker bmpcheck.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${MERROWIND_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# SDL opens the GL library for GLX (libGL.so.1) or EGL (libEGL.so.1) itself, so
# dpkg-shlibdeps cannot see them; they bring Mesa's drivers along.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1, libegl1")
# Loaded at run time where no tool sees it: the X core fonts for SDL's message
# boxes (a font may only be recommended), zenity for the boxes on Wayland, and
# libdecor's plugin for window frames on Wayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xfonts-base, zenity, libdecor-0-plugin-1-cairo")
set(CPACK_STRIP_FILES ON)
include(CPack)
