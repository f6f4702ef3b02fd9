# The network libraries, as targets any folder may link:
#   dorvan::mosquitto  the MQTT client library (libmosquitto 2.0.11, C)
#   dorvan::httplib    cpp-httplib 0.11.4, the HTTP server
#   dorvan::json       nlohmann JSON (header only)
#   dorvan::openssl    OpenSSL 3.0's libssl and libcrypto: TLS
# On Linux they are Debian's packages. The Windows builds link static OpenSSL libraries, a
# static libmosquitto with TLS and without threads, and the single-header httplib.h, all made
# from Debian's source packages into build/deps/mingw-<arch>/ by scripts/install-deps.sh
# (scripts/windows-libs.sh).
# Imported targets: their headers are system headers, so our warnings stay off them.

if(WIN32)
  set(DORVAN_DEPS_DIR ${PROJECT_SOURCE_DIR}/build/deps/mingw-${CMAKE_SYSTEM_PROCESSOR}
      CACHE PATH "libmosquitto and httplib.h for this Windows build (scripts/windows-libs.sh)")
  foreach(file lib/libmosquitto_static.a lib/libssl.a lib/libcrypto.a include/mosquitto.h include/openssl/ssl.h
               include/httplib.h LISANSLAR.txt)
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

  # The whole library in one header; its server threads are std::thread.
  set(THREADS_PREFER_PTHREAD_FLAG ON)
  find_package(Threads REQUIRED)
  add_library(dorvan::httplib INTERFACE IMPORTED GLOBAL)
  set_target_properties(dorvan::httplib PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${DORVAN_DEPS_DIR}/include
    INTERFACE_LINK_LIBRARIES "ws2_32;Threads::Threads")

  # Debian's header-only package, seen through a folder that holds nothing else: the
  # machine's own /usr/include must not stand in for mingw's headers.
  find_path(DORVAN_NLOHMANN_DIR nlohmann/json.hpp PATHS /usr/include NO_DEFAULT_PATH
            NO_CMAKE_FIND_ROOT_PATH)
  if(NOT DORVAN_NLOHMANN_DIR)
    message(FATAL_ERROR "nlohmann/json.hpp is missing: run scripts/install-deps.sh windows")
  endif()
  set(json_dir ${CMAKE_BINARY_DIR}/deps/json/include)
  file(MAKE_DIRECTORY ${json_dir})
  file(CREATE_LINK ${DORVAN_NLOHMANN_DIR}/nlohmann ${json_dir}/nlohmann SYMBOLIC)
  add_library(dorvan::json INTERFACE IMPORTED GLOBAL)
  set_target_properties(dorvan::json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${json_dir})
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(DORVAN_MOSQUITTO REQUIRED IMPORTED_TARGET GLOBAL libmosquitto)
  # Debian's cpp-httplib keeps the code in libcpp-httplib.so; its flags (TLS, zlib and
  # brotli on) must match how that was built.
  pkg_check_modules(DORVAN_HTTPLIB REQUIRED IMPORTED_TARGET GLOBAL cpp-httplib)
  find_package(nlohmann_json 3 REQUIRED)
  find_package(OpenSSL 3 REQUIRED)

  add_library(dorvan::mosquitto INTERFACE IMPORTED GLOBAL)
  set_target_properties(dorvan::mosquitto PROPERTIES INTERFACE_LINK_LIBRARIES PkgConfig::DORVAN_MOSQUITTO)
  add_library(dorvan::httplib INTERFACE IMPORTED GLOBAL)
  set_target_properties(dorvan::httplib PROPERTIES INTERFACE_LINK_LIBRARIES PkgConfig::DORVAN_HTTPLIB)
  add_library(dorvan::json INTERFACE IMPORTED GLOBAL)
  set_target_properties(dorvan::json PROPERTIES INTERFACE_LINK_LIBRARIES nlohmann_json::nlohmann_json)
  add_library(dorvan::openssl INTERFACE IMPORTED GLOBAL)
  set_target_properties(dorvan::openssl PROPERTIES INTERFACE_LINK_LIBRARIES OpenSSL::SSL)
endif()
