# The browser build's link step (MERROWIND_PLATFORM=web): merrowind.js,
# merrowind.wasm, merrowind.data.tgz (texture3/, which the page unpacks into
# the in-memory file system before the program starts), the icon and our own
# index.html beside them.
#
# The assets are shipped rather than generated in the page: the generator
# in wasm takes about 19 s single-threaded (threads in a page need
# cross-origin isolation, which a plain static host does not give), while
# the packed files arrive in well under a second from any server.
set(WEB_ASSETS ${CMAKE_SOURCE_DIR}/texture3)
if(NOT EXISTS ${WEB_ASSETS}/Terrain.raw)
  message(FATAL_ERROR "texture3/ has no assets: write them first with "
                      "build/merrowind-assets texture3 (make web does)")
endif()
file(GLOB WEB_ASSET_FILES CONFIGURE_DEPENDS ${WEB_ASSETS}/*)

set(WEB_PAGE_SCRIPT ${CMAKE_SOURCE_DIR}/app/web/page.js)

# page.js takes the numbers of messages, keys and box answers from
# app/platform.h, written out here whenever CMake runs (and the header's
# change makes it run).
set(WEB_NUMBERS ${CMAKE_BINARY_DIR}/platform_numbers.js)
file(STRINGS ${CMAKE_SOURCE_DIR}/app/platform.h NUMBER_LINES
     REGEX "^ *(MSG|KEY|SIZE_KIND|BOX_RESULT)_[A-Z0-9_]+ = ")
set(NUMBERS_JS "// Written by cmake/web.cmake from app/platform.h.\nvar PLATFORM = {\n")
foreach(line ${NUMBER_LINES})
  string(REGEX MATCH "([A-Z0-9_]+) = (0x[0-9A-Fa-f]+|[0-9]+)" number "${line}")
  string(APPEND NUMBERS_JS "  ${CMAKE_MATCH_1}: ${CMAKE_MATCH_2},\n")
endforeach()
string(APPEND NUMBERS_JS "};\n")
file(CONFIGURE OUTPUT ${WEB_NUMBERS} CONTENT "${NUMBERS_JS}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/app/platform.h)

target_link_options(merrowind PRIVATE
  # The program's own loop and its blocking question run unchanged: they await
  # the page (app/web/platform_web.cpp).
  -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536
  -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=33554432
  -sENVIRONMENT=web -sMIN_WEBGL_VERSION=1 -sMAX_WEBGL_VERSION=1
  # The page fills the file system; tests reach it as Module.FS.
  -sFORCE_FILESYSTEM=1 -sEXPORTED_RUNTIME_METHODS=FS
  "SHELL:--pre-js ${WEB_NUMBERS}" "SHELL:--pre-js ${WEB_PAGE_SCRIPT}")
set_target_properties(merrowind PROPERTIES LINK_DEPENDS "${WEB_PAGE_SCRIPT};${WEB_NUMBERS}")

set(WEB_DATA ${CMAKE_BINARY_DIR}/merrowind.data.tgz)
add_custom_command(OUTPUT ${WEB_DATA}
  COMMAND ${CMAKE_COMMAND} -DOUT=${WEB_DATA} -P ${CMAKE_SOURCE_DIR}/cmake/web-data.cmake
  WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
  DEPENDS ${WEB_ASSET_FILES} ${CMAKE_SOURCE_DIR}/cmake/web-data.cmake VERBATIM)
# The favicon: the package's icon (cmake/packaging.cmake) at 32 px.
find_program(CONVERT_TOOL convert)
set(WEB_ICON ${CMAKE_BINARY_DIR}/merrowind.png)
add_custom_command(OUTPUT ${WEB_ICON}
  COMMAND ${CMAKE_COMMAND} -DCONVERT=${CONVERT_TOOL} -DSOURCE=${CMAKE_SOURCE_DIR}/docs/start.jpg
          -DOUT=${CMAKE_BINARY_DIR}/icons -DSIZES=32 -P ${CMAKE_SOURCE_DIR}/cmake/make-icons.cmake
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/icons/32/merrowind.png ${WEB_ICON}
  DEPENDS ${CMAKE_SOURCE_DIR}/docs/start.jpg ${CMAKE_SOURCE_DIR}/cmake/make-icons.cmake VERBATIM)
add_custom_target(web-files ALL DEPENDS ${WEB_DATA} ${WEB_ICON})
add_custom_command(TARGET merrowind POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/web/index.html
          ${CMAKE_BINARY_DIR}/index.html)
