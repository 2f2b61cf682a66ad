# Finds the codecs the studio decodes raster files with. For each one found, its kind's source
# joins the build and VANTREL_STUDIO_<KIND>=1 is defined; for each one missing, the kind's
# source is left out and the studio refuses such files as it refuses any unknown file.
#
# Sets VANTREL_STUDIO_CODEC_LIBRARIES (archives where they exist and VANTREL_STATIC_CODECS
# asks for them: Debian's are fit for executables, not for shared objects),
# VANTREL_STUDIO_SHARED_CODEC_LIBRARIES (the same as shared libraries, for libvantrel.so),
# VANTREL_STUDIO_CODEC_INCLUDE_DIRS and VANTREL_STUDIO_CODEC_DEFINITIONS; removes the sources of
# missing kinds from VANTREL_SOURCES; defines vantrel_link_runtime_statically().

set(VANTREL_STUDIO_CODEC_LIBRARIES "")
set(VANTREL_STUDIO_CODEC_INCLUDE_DIRS "")
set(VANTREL_STUDIO_CODEC_DEFINITIONS "")
set(_studio_formats ${PROJECT_SOURCE_DIR}/src/studio/formats)

# Adds a kind when found, or drops its sources.
macro(_vantrel_studio_kind kind found libraries includes)
  if(${found})
    list(APPEND VANTREL_STUDIO_CODEC_LIBRARIES ${libraries})
    list(APPEND VANTREL_STUDIO_CODEC_INCLUDE_DIRS ${includes})
    list(APPEND VANTREL_STUDIO_CODEC_DEFINITIONS VANTREL_STUDIO_${kind}=1)
    message(STATUS "studio: opens ${kind} files")
  else()
    list(FILTER VANTREL_SOURCES EXCLUDE REGEX "/src/studio/formats/${kind}[^/]*\\.cpp$")
    message(STATUS "studio: no codec for ${kind} files; that kind is compiled out")
  endif()
endmacro()

# BMP needs no codec: the studio decodes it itself.
list(APPEND VANTREL_STUDIO_CODEC_DEFINITIONS VANTREL_STUDIO_Bmp=1)

option(VANTREL_WITH_JPEG "Open JPEG files (libjpeg-turbo)" ON)
if(VANTREL_WITH_JPEG)
  find_package(JPEG)
endif()
_vantrel_studio_kind(Jpeg "JPEG_FOUND" "${JPEG_LIBRARIES}" "${JPEG_INCLUDE_DIRS}")

option(VANTREL_WITH_PNG "Open PNG files (libpng)" ON)
if(VANTREL_WITH_PNG)
  find_package(PNG)
endif()
_vantrel_studio_kind(Png "PNG_FOUND" "${PNG_LIBRARIES}" "${PNG_INCLUDE_DIRS}")

option(VANTREL_WITH_GIF "Open GIF files (giflib)" ON)
if(VANTREL_WITH_GIF)
  find_package(GIF 5)
endif()
_vantrel_studio_kind(Gif "GIF_FOUND" "${GIF_LIBRARIES}" "${GIF_INCLUDE_DIRS}")

option(VANTREL_WITH_TIFF "Open TIFF files (libtiff)" ON)
set(_tiff_libraries "")
if(VANTREL_WITH_TIFF)
  find_package(TIFF)
  if(TIFF_FOUND)
    set(_tiff_libraries ${TIFF_LIBRARIES})
    # A static libtiff needs the libraries of every codec it was built with.
    if(TIFF_LIBRARIES MATCHES "\\.a(;|$)")
      find_package(PkgConfig)
      if(PKG_CONFIG_FOUND)
        pkg_check_modules(_tiff_pc QUIET libtiff-4)
      endif()
      foreach(_name IN LISTS _tiff_pc_STATIC_LIBRARIES)
        # The C library's own parts stay shared, as the C library does.
        if(_name MATCHES "^(tiff|m|pthread|dl|rt|c)$")
          if(NOT _name STREQUAL "tiff")
            list(APPEND _tiff_libraries ${_name})
          endif()
          continue()
        endif()
        find_library(_tiff_dependency_${_name} NAMES ${_name})
        if(_tiff_dependency_${_name})
          list(APPEND _tiff_libraries ${_tiff_dependency_${_name}})
        else()
          list(APPEND _tiff_libraries ${_name})
        endif()
      endforeach()
      # libLerc is C++; the C++ runtime is linked anyway.
    endif()
  endif()
endif()
_vantrel_studio_kind(Tiff "TIFF_FOUND" "${_tiff_libraries}" "${TIFF_INCLUDE_DIRS}")

# zlib inflates ZIP-compressed PSD data. Debian ships it for Linux and for mingw-w64; the static
# 32-bit Linux check has none and refuses ZIP data instead.
find_package(ZLIB)
if(ZLIB_FOUND)
  list(APPEND VANTREL_STUDIO_CODEC_LIBRARIES ${ZLIB_LIBRARIES})
  list(APPEND VANTREL_STUDIO_CODEC_INCLUDE_DIRS ${ZLIB_INCLUDE_DIRS})
  list(APPEND VANTREL_STUDIO_CODEC_DEFINITIONS VANTREL_HAVE_ZLIB=1)
elseif(NOT CMAKE_CROSSCOMPILING)
  message(FATAL_ERROR "zlib not found: install zlib1g-dev (bash dev.sh installs it)")
endif()

# LittleCMS converts documents with an embedded colour profile where the build has it; without
# it (the Windows build) profile handling compiles out and documents show as if they had none.
# Searched by path rather than through pkg-config so cross builds find it too.
option(VANTREL_COLOR_MANAGEMENT "Convert documents through their ICC profiles with LittleCMS when it is found" ON)
if(VANTREL_COLOR_MANAGEMENT)
  find_path(LCMS2_INCLUDE_DIR lcms2.h)
  find_library(LCMS2_LIBRARY NAMES lcms2 liblcms2)
endif()
if(VANTREL_COLOR_MANAGEMENT AND LCMS2_INCLUDE_DIR AND LCMS2_LIBRARY)
  message(STATUS "Colour management: LittleCMS (${LCMS2_LIBRARY})")
  # Where the platform loads libraries by name, the studio loads LittleCMS itself, when the
  # first document with a profile needs it: linked, it is loaded at every start, which costs
  # about a millisecond of a capture that takes ten.
  file(REAL_PATH "${LCMS2_LIBRARY}" _lcms2_file)
  get_filename_component(_lcms2_name "${_lcms2_file}" NAME)
  if(UNIX AND CMAKE_DL_LIBS AND _lcms2_name MATCHES "^(liblcms2\\.so\\.[0-9]+)")
    list(APPEND VANTREL_STUDIO_CODEC_LIBRARIES ${CMAKE_DL_LIBS})
    list(APPEND VANTREL_STUDIO_CODEC_DEFINITIONS VANTREL_LCMS2_SONAME="${CMAKE_MATCH_1}")
  else()
    list(APPEND VANTREL_STUDIO_CODEC_LIBRARIES ${LCMS2_LIBRARY})
  endif()
  list(APPEND VANTREL_STUDIO_CODEC_INCLUDE_DIRS ${LCMS2_INCLUDE_DIR})
  list(APPEND VANTREL_STUDIO_CODEC_DEFINITIONS VANTREL_HAVE_LCMS2=1)
else()
  message(STATUS "Colour management: none (LittleCMS not found); ICC profiles are ignored")
endif()

# The shared twin of each archive, for the shared library.
set(VANTREL_STUDIO_SHARED_CODEC_LIBRARIES "")
foreach(_library IN LISTS VANTREL_STUDIO_CODEC_LIBRARIES)
  set(_shared "${_library}")
  if(_library MATCHES "^(.*)\\.a$")
    if(EXISTS "${CMAKE_MATCH_1}.so")
      set(_shared "${CMAKE_MATCH_1}.so")
    endif()
  endif()
  list(APPEND VANTREL_STUDIO_SHARED_CODEC_LIBRARIES "${_shared}")
endforeach()

# A command that starts as fast as it can: the C++ runtime from its archive too, so that only
# the C library is loaded at start. Sanitizer runtimes want the shared C++ runtime.
function(vantrel_link_runtime_statically target)
  if(VANTREL_STATIC_CODECS AND NOT VANTREL_SANITIZE AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc)
  endif()
endfunction()
