# The network libraries, as targets any folder may link:
#   dorvan::mosquitto  the MQTT client library (libmosquitto 2.0.11, C)
#   dorvan::beast      Boost.Beast on Boost.Asio 1.74, the HTTP server (header only)
#   dorvan::json       nlohmann JSON (header only)
#   dorvan::openssl    OpenSSL 3.0's libssl and libcrypto: TLS
# On Linux they are Debian's packages. The Windows builds link static OpenSSL libraries and a
# static libmosquitto with TLS and without threads, made from Debian's source packages into
# build/deps/mingw-<arch>/ by scripts/install-deps.sh (scripts/windows-libs.sh), and take the
# header-only libraries from Debian's -dev packages.
# Imported targets: their headers are system headers, so our warnings stay off them.

if(WIN32)
  set(DORVAN_DEPS_DIR ${PROJECT_SOURCE_DIR}/build/deps/mingw-${CMAKE_SYSTEM_PROCESSOR}
      CACHE PATH "libmosquitto and OpenSSL for this Windows build (scripts/windows-libs.sh)")
  foreach(file lib/libmosquitto_static.a lib/libssl.a lib/libcrypto.a include/mosquitto.h include/openssl/ssl.h
               LISANSLAR.txt)
    if(NOT EXISTS ${DORVAN_DEPS_DIR}/${file})
      message(FATAL_ERROR "${DORVAN_DEPS_DIR}/${file} is missing: run scripts/install-deps.sh windows")
    endif()
  endforeach()

  # What OpenSSL takes from Windows: sockets, the certificate store, the random source, a message box.
  add_library(dorvan_crypto STATIC IMPORTED GLOBAL)
  set_target_properties(dorvan_crypto PROPERTIES
    IMPORTED_LOCATION ${DORVAN_DEPS_DIR}/lib/libcrypto.a
    INTERFACE_INCLUDE_DIRECTORIES ${DORVAN_DEPS_DIR}/include
    INTERFACE_LINK_LIBRARIES "ws2_32;crypt32;advapi32;user32")
  add_library(dorvan::openssl STATIC IMPORTED GLOBAL)
  set_target_properties(dorvan::openssl PROPERTIES
    IMPORTED_LOCATION ${DORVAN_DEPS_DIR}/lib/libssl.a
    INTERFACE_LINK_LIBRARIES dorvan_crypto)

  add_library(dorvan::mosquitto STATIC IMPORTED GLOBAL)
  set_target_properties(dorvan::mosquitto PROPERTIES
    IMPORTED_LOCATION ${DORVAN_DEPS_DIR}/lib/libmosquitto_static.a
    INTERFACE_INCLUDE_DIRECTORIES ${DORVAN_DEPS_DIR}/include
    INTERFACE_COMPILE_DEFINITIONS LIBMOSQUITTO_STATIC
    INTERFACE_LINK_LIBRARIES "dorvan::openssl;ws2_32")

  set(THREADS_PREFER_PTHREAD_FLAG ON)
  find_package(Threads REQUIRED)

  # Debian's header-only packages, each seen through a folder that holds nothing else: the
  # machine's own /usr/include must not stand in for mingw's headers.
  function(dorvan_header_only target probe folder)
    string(MAKE_C_IDENTIFIER ${folder} var)
    find_path(DORVAN_${var}_DIR ${probe} PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
    if(NOT DORVAN_${var}_DIR)
      message(FATAL_ERROR "${probe} is missing: run scripts/install-deps.sh windows")
    endif()
    set(dir ${CMAKE_BINARY_DIR}/deps/${folder}/include)
    file(MAKE_DIRECTORY ${dir})
    file(CREATE_LINK ${DORVAN_${var}_DIR}/${folder} ${dir}/${folder} SYMBOLIC)
    add_library(${target} INTERFACE IMPORTED GLOBAL)
    set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${dir})
  endfunction()
  dorvan_header_only(dorvan::json nlohmann/json.hpp nlohmann)
  dorvan_header_only(dorvan::beast boost/beast.hpp boost)
  # Asio on Windows' sockets and completion ports (Windows 7 and later).
  set_property(TARGET dorvan::beast APPEND PROPERTY INTERFACE_LINK_LIBRARIES "ws2_32;mswsock;Threads::Threads")
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(DORVAN_MOSQUITTO REQUIRED IMPORTED_TARGET GLOBAL libmosquitto)
  find_package(Boost 1.74 REQUIRED)
  find_package(Threads REQUIRED)
  find_package(nlohmann_json 3 REQUIRED)
  find_package(OpenSSL 3 REQUIRED)

  add_library(dorvan::mosquitto INTERFACE IMPORTED GLOBAL)
  set_target_properties(dorvan::mosquitto PROPERTIES INTERFACE_LINK_LIBRARIES PkgConfig::DORVAN_MOSQUITTO)
  add_library(dorvan::beast INTERFACE IMPORTED GLOBAL)
  set_target_properties(dorvan::beast PROPERTIES INTERFACE_LINK_LIBRARIES "Boost::headers;Threads::Threads")
  add_library(dorvan::json INTERFACE IMPORTED GLOBAL)
  set_target_properties(dorvan::json PROPERTIES INTERFACE_LINK_LIBRARIES nlohmann_json::nlohmann_json)
  add_library(dorvan::openssl INTERFACE IMPORTED GLOBAL)
  set_target_properties(dorvan::openssl PROPERTIES INTERFACE_LINK_LIBRARIES OpenSSL::SSL)
endif()
