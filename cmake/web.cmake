# The browser build's link step (MERROWIND_PLATFORM=web): merrowind.js,
# merrowind.wasm, merrowind.data (texture3/ preloaded into the in-memory file
# system) and our own index.html beside them.
#
# The assets are preloaded rather than generated in the page: the generator
# in wasm takes about 19 s single-threaded (threads in a page need
# cross-origin isolation, which a plain static host does not give), while
# the preloaded files arrive in well under a second from any server.
set(WEB_ASSETS ${CMAKE_SOURCE_DIR}/texture3)
if(NOT EXISTS ${WEB_ASSETS}/Terrain.raw)
  message(FATAL_ERROR "texture3/ has no assets: write them first with "
                      "build/merrowind-assets texture3 (make web does)")
endif()
file(GLOB WEB_ASSET_FILES CONFIGURE_DEPENDS ${WEB_ASSETS}/*)

set(WEB_PAGE_SCRIPT ${CMAKE_SOURCE_DIR}/app/web/page.js)
target_link_options(merrowind PRIVATE
  # The program's own loop and its blocking question run unchanged: they await
  # the page (app/web/platform_web.cpp).
  -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536
  -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=33554432
  -sENVIRONMENT=web -sMIN_WEBGL_VERSION=1 -sMAX_WEBGL_VERSION=1
  # Tests reach the in-memory file system as Module.FS.
  -sEXPORTED_RUNTIME_METHODS=FS
  --pre-js ${WEB_PAGE_SCRIPT}
  --preload-file ${WEB_ASSETS}@texture3)
set_target_properties(merrowind PROPERTIES LINK_DEPENDS "${WEB_PAGE_SCRIPT};${WEB_ASSET_FILES}")
add_custom_command(TARGET merrowind POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/web/index.html
          ${CMAKE_BINARY_DIR}/index.html)
