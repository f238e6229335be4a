# OpenSSL for the network administration channel and the printer simulator.
# Host builds use the system's libssl-dev. Windows builds link the static
# libraries built from Debian's source package by
# scripts/build-openssl-mingw.sh into $PELMORA_CACHE (default
# /var/cache/pelmora)/openssl/current-<arch>.
include_guard(GLOBAL)

function(pelmora_find_openssl)
  if(TARGET OpenSSL::SSL)
    return()
  endif()
  if(WIN32)
    if(DEFINED ENV{PELMORA_CACHE})
      set(cache $ENV{PELMORA_CACHE})
    else()
      set(cache /var/cache/pelmora)
    endif()
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
      set(arch x86_64)
    else()
      set(arch i686)
    endif()
    set(OPENSSL_ROOT_DIR ${cache}/openssl/current-${arch} CACHE PATH "OpenSSL built for mingw")
    set(OPENSSL_USE_STATIC_LIBS TRUE)
    # The mingw toolchain searches only below its own root; add OpenSSL's.
    list(APPEND CMAKE_FIND_ROOT_PATH ${OPENSSL_ROOT_DIR})
  endif()
  find_package(OpenSSL REQUIRED)
  set_target_properties(OpenSSL::SSL OpenSSL::Crypto PROPERTIES IMPORTED_GLOBAL TRUE)
  if(WIN32)
    set_property(TARGET OpenSSL::Crypto APPEND PROPERTY INTERFACE_LINK_LIBRARIES ws2_32 crypt32)
  endif()
endfunction()
