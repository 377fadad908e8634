# Release archives for Windows users, built by scripts/package.sh (or cpack in the build folder):
#   Brenlow-<version>-win32.zip          Brenlow.exe, README.txt, LICENSE
#   Brenlow-devkit-<version>-win32.zip   the stand-in launcher library and server, README-devkit.txt,
#                                        LICENSE-devkit.txt
#   Brenlow-<version>-win32-symbols.zip  the same three programs unstripped, for reading users' crash dumps
# The first two unpack into the same folder, so the kit lands beside Brenlow.exe; they share no file name
# (the kit's licence has its own), so the second unpacking asks nothing. The kit's server is the
# 32-bit build: it runs on every Windows that Brenlow runs on, and Brenlow supervises either build alike.
# The release folder: the three programs stripped as the archives ship them (under Wine debug sections
# take private memory), laid out as a user's folder. The benchmarks measure them, and the whole-program
# crash test crashes the stripped Brenlow.
function(add_release_copy target file)
  add_custom_command(OUTPUT ${BRENLOW_RELEASE_FOLDER}/${file} DEPENDS ${target}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${BRENLOW_RELEASE_FOLDER}
    COMMAND ${CMAKE_STRIP} -o ${BRENLOW_RELEASE_FOLDER}/${file} $<TARGET_FILE:${target}>)
endfunction()
add_release_copy(Brenlow Brenlow.exe)
add_release_copy(tarn_launcher tarn_launcher.dll)
add_release_copy(moorwake_dedicated_server_nullrenderer moorwake_dedicated_server_nullrenderer.exe)
add_custom_target(release_folder ALL DEPENDS ${BRENLOW_RELEASE_FOLDER}/Brenlow.exe
  ${BRENLOW_RELEASE_FOLDER}/tarn_launcher.dll ${BRENLOW_RELEASE_FOLDER}/moorwake_dedicated_server_nullrenderer.exe)

set(BRENLOW_VERSION ${PROJECT_VERSION})
set(package_docs ${CMAKE_BINARY_DIR}/package-docs)
foreach(readme README.txt README-devkit.txt)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/package/${readme} ${package_docs}/${readme} @ONLY NEWLINE_STYLE CRLF)
endforeach()
foreach(licence LICENSE LICENSE-devkit.txt)
  configure_file(${CMAKE_SOURCE_DIR}/LICENSE ${package_docs}/${licence} NEWLINE_STYLE CRLF)
endforeach()

install(TARGETS Brenlow RUNTIME DESTINATION . COMPONENT program)
install(FILES ${package_docs}/README.txt ${package_docs}/LICENSE DESTINATION . COMPONENT program)
# The library's import library is of no use beside the program.
install(TARGETS tarn_launcher moorwake_dedicated_server_nullrenderer
  RUNTIME DESTINATION . COMPONENT devkit
  ARCHIVE DESTINATION lib COMPONENT devkit_import EXCLUDE_FROM_ALL)
install(FILES ${package_docs}/README-devkit.txt ${package_docs}/LICENSE-devkit.txt DESTINATION . COMPONENT devkit)
# Installed as plain files, which cpack does not strip; stripping keeps the time stamp, so that
# scripts/read-dump.sh matches a dump of the stripped program with these.
install(FILES $<TARGET_FILE:Brenlow> $<TARGET_FILE:tarn_launcher> $<TARGET_FILE:moorwake_dedicated_server_nullrenderer>
  DESTINATION . COMPONENT symbols)

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
set(CPACK_COMPONENTS_ALL program devkit symbols)
set(CPACK_COMPONENTS_GROUPING IGNORE)
set(CPACK_ARCHIVE_PROGRAM_FILE_NAME Brenlow-${PROJECT_VERSION}-win32)
set(CPACK_ARCHIVE_DEVKIT_FILE_NAME Brenlow-devkit-${PROJECT_VERSION}-win32)
set(CPACK_ARCHIVE_SYMBOLS_FILE_NAME Brenlow-${PROJECT_VERSION}-win32-symbols)
# Checked when the archives are made: the built program's version resource must carry this version.
set(CPACK_BRENLOW_PROGRAM ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/Brenlow.exe)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/PackageVersionCheck.cmake)
include(CPack)
