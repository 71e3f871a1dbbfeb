# The release package, made by `cmake --build --preset windows --target package` (CPack):
# varnel-<version>-win64.zip, or -win32.zip from the 32-bit build, holding one folder with the
# program, the Japanese and English user guides with their pictures, and the license.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(VARNEL_PACKAGE_SYSTEM win64)
else()
  set(VARNEL_PACKAGE_SYSTEM win32)
endif()

install(TARGETS varnel RUNTIME DESTINATION .)
install(FILES LICENSE DESTINATION . RENAME LICENSE.txt)

# The guides become web pages, which any Windows PC opens with a double click; where cmark-gfm
# is missing (a build on Windows itself) they go in as Markdown.
set(VARNEL_GUIDES guide.ja guide.en)
find_program(VARNEL_CMARK_GFM cmark-gfm)
if(VARNEL_CMARK_GFM)
  set(pages)
  foreach(guide IN LISTS VARNEL_GUIDES)
    set(page ${CMAKE_BINARY_DIR}/guides/${guide}.html)
    add_custom_command(OUTPUT ${page}
      COMMAND ${CMAKE_COMMAND} -DCMARK_GFM=${VARNEL_CMARK_GFM} -DINPUT=${PROJECT_SOURCE_DIR}/docs/${guide}.md
              -DOUTPUT=${page} -P ${CMAKE_CURRENT_LIST_DIR}/guide_page.cmake
      DEPENDS ${PROJECT_SOURCE_DIR}/docs/${guide}.md ${CMAKE_CURRENT_LIST_DIR}/guide_page.cmake
      COMMENT "Making the user guide page ${guide}.html")
    list(APPEND pages ${page})
  endforeach()
  add_custom_target(varnel_guides ALL DEPENDS ${pages})
  install(FILES ${pages} DESTINATION .)
else()
  message(STATUS "No cmark-gfm: the package holds the user guides as Markdown")
  list(TRANSFORM VARNEL_GUIDES PREPEND ${PROJECT_SOURCE_DIR}/docs/ OUTPUT_VARIABLE sources)
  list(TRANSFORM sources APPEND .md)
  install(FILES ${sources} DESTINATION .)
endif()
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/images DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME varnel)
set(CPACK_PACKAGE_VENDOR "Varnel developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME ${VARNEL_PACKAGE_SYSTEM})
# Kept apart: including CPack leaves CPACK_PACKAGE_FILE_NAME set to the source package's name.
set(VARNEL_PACKAGE_FILE_NAME varnel-${PROJECT_VERSION}-${VARNEL_PACKAGE_SYSTEM})
set(CPACK_PACKAGE_FILE_NAME ${VARNEL_PACKAGE_FILE_NAME})
# Symbols are of no use to the user and make the program twice as large.
set(CPACK_STRIP_FILES ON)
include(CPack)
