# Boost.Filesystem built for the target by scripts/setup.sh (Boost.System is header-only in 1.81).
string(REGEX REPLACE "-.*" "" boost_arch "${brenlow_triple}")
set(BRENLOW_BOOST_ROOT "$ENV{BRENLOW_DEPS}/boost-1.81-${boost_arch}" CACHE PATH "Boost 1.81 built for the target")
if(NOT EXISTS "${BRENLOW_BOOST_ROOT}/lib/libboost_filesystem.a")
  message(FATAL_ERROR "Boost.Filesystem not found under ${BRENLOW_BOOST_ROOT}: run scripts/setup.sh")
endif()
add_library(Boost::filesystem STATIC IMPORTED GLOBAL)
set_target_properties(Boost::filesystem PROPERTIES
  IMPORTED_LOCATION "${BRENLOW_BOOST_ROOT}/lib/libboost_filesystem.a"
  INTERFACE_INCLUDE_DIRECTORIES "${BRENLOW_BOOST_ROOT}/include"
  INTERFACE_COMPILE_DEFINITIONS "BOOST_FILESYSTEM_STATIC_LINK=1;BOOST_FILESYSTEM_VERSION=3;BOOST_ALL_NO_LIB"
  INTERFACE_LINK_LIBRARIES "bcrypt")
