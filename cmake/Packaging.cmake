# Packages of the programs, made with CPack in a configured build folder:
#   Linux    cpack -G DEB   the Debian package (tools/package.sh makes it)
#   Windows  cpack -G ZIP   one folder with the programs and README.txt
# Both take the version from the project (CMakeLists.txt), as do the
# programs, their resources and the manual pages.
include(GNUInstallDirs)

set(TAVRO_PACKAGE_CONTACT "tavro-tape developers <developers@tavro-tape.example>"
    CACHE STRING "Maintainer of the packages, as: Name <address>")
find_program(TAVRO_GZIP gzip REQUIRED)

set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "tavro-tape developers")
set(CPACK_PACKAGE_CONTACT ${TAVRO_PACKAGE_CONTACT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "recover the data of a cassette tape from a WAV recording")
# The Debian package's long description, lines as they appear there.
set(CPACK_PACKAGE_DESCRIPTION [=[
tavro-tape gets the data back off an old computer's cassette tape from a
WAV recording of it. It finds the leader tone, decodes the bytes from the
short and long half-periods of the signal and writes every decoded byte to
the file test.dat, while a status line tells how the run goes.

The package has four programs: tavro-tape, a small dialog for the desktop;
tavro-tape-studio, a window that decodes, shows where decoding failed,
merges several takes of one tape and saves the bytes and a report;
tavro-tape-cli, the same conversions on the command line, for scripts and
for decoding a box of tapes at once; and tavro-tape-encode, which writes
bytes as a tape recording, for tests.]=])
set(CPACK_STRIP_FILES ON)

set(packaging_dir ${PROJECT_BINARY_DIR}/packaging)
set(programs tavro-tape-cli tavro-tape-encode)
if(TAVRO_BUILD_GUI)
  list(APPEND programs tavro-tape)
  if(WIN32)
    list(APPEND programs tavro-tape-studio)
  endif()
endif()

if(WIN32)
  # The zip: the programs at the top of its folder, beside the README with
  # Windows line ends. Only the component "zip" goes into it; a plain
  # `cmake --install` leaves that component out and installs into bin/.
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_SYSTEM_NAME win64)
  else()
    set(CPACK_SYSTEM_NAME win32)
  endif()
  set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME})
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL zip)
  set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)

  file(READ ${PROJECT_SOURCE_DIR}/README.md readme)
  string(REPLACE "\n" "\r\n" readme "${readme}")
  file(WRITE ${packaging_dir}/README.txt "${readme}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/README.md)

  install(TARGETS ${programs} RUNTIME DESTINATION . COMPONENT zip EXCLUDE_FROM_ALL)
  install(FILES ${packaging_dir}/README.txt DESTINATION . COMPONENT zip EXCLUDE_FROM_ALL)
else()
  # The Debian package: its documentation folder holds the README, the
  # copyright file and the changelog (a native package's changelog.gz).
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # Depends: from the libraries that the programs link (dpkg-shlibdeps).
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

  # The changelog's date is SOURCE_DATE_EPOCH when set (tools/package.sh
  # sets it to the last commit's time), so that a rebuild gives the same file.
  string(TIMESTAMP TAVRO_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${packaging_dir}/changelog @ONLY)
  add_custom_command(OUTPUT ${packaging_dir}/changelog.gz
    COMMAND ${TAVRO_GZIP} -9 -n -f -k ${packaging_dir}/changelog
    DEPENDS ${packaging_dir}/changelog
    VERBATIM)
  add_custom_target(tavro-changelog ALL DEPENDS ${packaging_dir}/changelog.gz)

  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/packaging/copyright
                ${packaging_dir}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

include(CPack)
