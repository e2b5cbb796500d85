# The studio (`minihost serve`): a local web server on cpp-httplib, from
# Debian's libcpp-httplib-dev, with its page built into the program. The page's
# files are copied into a generated source at build time, so nothing is read
# from the tree or fetched from a network when it runs.
pkg_check_modules(HTTPLIB REQUIRED cpp-httplib)

set(STUDIO_PAGE_FILES
  ${CMAKE_CURRENT_SOURCE_DIR}/studio/page/index.html
  ${CMAKE_CURRENT_SOURCE_DIR}/studio/page/studio.css
  ${CMAKE_CURRENT_SOURCE_DIR}/studio/page/studio.js)
set(STUDIO_PAGE_SOURCE ${CMAKE_CURRENT_BINARY_DIR}/studio_page_files.cpp)
string(REPLACE ";" "|" STUDIO_PAGE_LIST "${STUDIO_PAGE_FILES}")
add_custom_command(OUTPUT ${STUDIO_PAGE_SOURCE}
  COMMAND ${CMAKE_COMMAND} -DOUT=${STUDIO_PAGE_SOURCE} -DFILES=${STUDIO_PAGE_LIST}
          -P ${CMAKE_CURRENT_SOURCE_DIR}/studio/embed_page.cmake
  DEPENDS ${STUDIO_PAGE_FILES} ${CMAKE_CURRENT_SOURCE_DIR}/studio/embed_page.cmake
  COMMENT "Building the studio's page into the program"
  VERBATIM)
target_sources(minihost_core PRIVATE ${STUDIO_PAGE_SOURCE})
# httplib.h is read by the server's source alone, so its flags stay there and
# nothing else that uses minihost_core is built differently.
set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/studio/studio_server.cpp
  PROPERTIES COMPILE_OPTIONS "${HTTPLIB_CFLAGS}")
target_link_libraries(minihost_core PUBLIC ${HTTPLIB_LINK_LIBRARIES})
