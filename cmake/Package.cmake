# Release archives for Windows users, built by scripts/package.sh (or cpack in the build folder):
#   Brenlow-<version>-win32.zip          Brenlow.exe, README.txt, LICENSE
#   Brenlow-devkit-<version>-win32.zip   the stand-in launcher library and server, README-devkit.txt, LICENSE
# Both unpack into the same folder, so the kit lands beside Brenlow.exe.
if(NOT TARGET Brenlow OR NOT TARGET tarn_launcher OR NOT TARGET moorwake_dedicated_server_nullrenderer)
  return()
endif()

set(BRENLOW_VERSION ${PROJECT_VERSION})
set(package_docs ${CMAKE_BINARY_DIR}/package-docs)
foreach(readme README.txt README-devkit.txt)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/package/${readme} ${package_docs}/${readme} @ONLY NEWLINE_STYLE CRLF)
endforeach()
configure_file(${CMAKE_SOURCE_DIR}/LICENSE ${package_docs}/LICENSE NEWLINE_STYLE CRLF)

install(TARGETS Brenlow RUNTIME DESTINATION . COMPONENT program)
install(FILES ${package_docs}/README.txt ${package_docs}/LICENSE DESTINATION . COMPONENT program)
# The library's import library is of no use beside the program.
install(TARGETS tarn_launcher moorwake_dedicated_server_nullrenderer
  RUNTIME DESTINATION . COMPONENT devkit
  ARCHIVE DESTINATION lib COMPONENT devkit_import EXCLUDE_FROM_ALL)
install(FILES ${package_docs}/README-devkit.txt ${package_docs}/LICENSE DESTINATION . COMPONENT devkit)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Brenlow)
set(CPACK_PACKAGE_VENDOR "The Brenlow developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
# Every file of both archives, the kit's launcher library and server too, ships stripped: under Wine a
# program's debug sections take private memory (about 0.4 MiB each for the kit's two files).
set(CPACK_STRIP_FILES ON)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL program devkit)
set(CPACK_COMPONENTS_GROUPING IGNORE)
set(CPACK_ARCHIVE_PROGRAM_FILE_NAME Brenlow-${PROJECT_VERSION}-win32)
set(CPACK_ARCHIVE_DEVKIT_FILE_NAME Brenlow-devkit-${PROJECT_VERSION}-win32)
# Checked when the archives are made: the built program's version resource must carry this version.
set(CPACK_BRENLOW_PROGRAM ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/Brenlow.exe)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/PackageVersionCheck.cmake)
include(CPack)
