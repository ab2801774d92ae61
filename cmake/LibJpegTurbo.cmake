# libjpeg-turbo for the Windows targets, built from Debian's source package of it (fetched by
# tools/fetch-libjpeg-source.sh into build/_deps), static, with its SIMD code.
include(ExternalProject)

# On a machine without apt (a Windows build host), point VELMAR_LIBJPEG_TARBALL at the source.
set(VELMAR_LIBJPEG_TARBALL "" CACHE FILEPATH "libjpeg-turbo source tarball (fetched when empty)")
if(VELMAR_LIBJPEG_TARBALL)
    set(VELMAR_LJT_TARBALL ${VELMAR_LIBJPEG_TARBALL})
else()
    set(VELMAR_LJT_DOWNLOAD_DIR ${CMAKE_SOURCE_DIR}/build/_deps/libjpeg-turbo-src)
    execute_process(
        COMMAND ${CMAKE_SOURCE_DIR}/tools/fetch-libjpeg-source.sh ${VELMAR_LJT_DOWNLOAD_DIR}
        OUTPUT_VARIABLE VELMAR_LJT_TARBALL
        OUTPUT_STRIP_TRAILING_WHITESPACE
        RESULT_VARIABLE ljt_fetch_result)
    if(NOT ljt_fetch_result EQUAL 0 OR NOT EXISTS "${VELMAR_LJT_TARBALL}")
        message(FATAL_ERROR "Could not fetch Debian's libjpeg-turbo source package")
    endif()
endif()

set(ljt_prefix ${CMAKE_BINARY_DIR}/libjpeg-turbo)
ExternalProject_Add(libjpeg_turbo_build
    URL ${VELMAR_LJT_TARBALL}
    PREFIX ${ljt_prefix}
    CMAKE_ARGS
        -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
        -DCMAKE_BUILD_TYPE=Release
        -DCMAKE_INSTALL_PREFIX=${ljt_prefix}/install
        -DENABLE_SHARED=OFF
        -DENABLE_STATIC=ON
        -DWITH_TURBOJPEG=OFF
        -DWITH_SIMD=ON
        -DREQUIRE_SIMD=ON
        -DCMAKE_POLICY_DEFAULT_CMP0135=NEW
    BUILD_BYPRODUCTS ${ljt_prefix}/install/lib/libjpeg.a
    DOWNLOAD_EXTRACT_TIMESTAMP TRUE
    LOG_CONFIGURE TRUE LOG_BUILD TRUE LOG_INSTALL TRUE LOG_OUTPUT_ON_FAILURE TRUE)

file(MAKE_DIRECTORY ${ljt_prefix}/install/include)
add_library(jpeg_static STATIC IMPORTED GLOBAL)
set_target_properties(jpeg_static PROPERTIES
    IMPORTED_LOCATION ${ljt_prefix}/install/lib/libjpeg.a
    INTERFACE_INCLUDE_DIRECTORIES ${ljt_prefix}/install/include)
add_dependencies(jpeg_static libjpeg_turbo_build)
add_library(JPEG::JPEG ALIAS jpeg_static)
