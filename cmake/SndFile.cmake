# libsndfile, for the robust decoder's file input: the target tavro_sndfile.
# Natively it comes from Debian's libsndfile1-dev through pkg-config.
include_guard(GLOBAL)
find_package(PkgConfig REQUIRED)
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)
add_library(tavro_sndfile INTERFACE)
target_link_libraries(tavro_sndfile INTERFACE PkgConfig::SNDFILE)
