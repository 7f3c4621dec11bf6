# The codec libraries the engine reads and writes FLAC, Ogg Vorbis and Opus
# with: natively the distribution's (pkg-config), in the Windows builds
# static libraries built once per build folder from Debian's source
# packages by tools/build-codecs.sh (or taken from SONDREL_CODEC_PREFIX,
# a folder with include/ and lib/ of them, on a machine without Debian's
# sources).
function(sondrel_link_codecs target)
  if(WIN32)
    set(SONDREL_CODEC_PREFIX "" CACHE PATH "Folder holding include/ and lib/ of the codec libraries (empty: build them)")
    set(prefix ${SONDREL_CODEC_PREFIX})
    if(NOT prefix)
      if(NOT CMAKE_HOST_UNIX)
        message(FATAL_ERROR "Set SONDREL_CODEC_PREFIX to the codec libraries built for this compiler")
      endif()
      set(prefix ${CMAKE_BINARY_DIR}/codecs/prefix)
      if(NOT EXISTS ${prefix}/.done)
        message(STATUS "Building the codec libraries from Debian's source packages (once per build folder)")
        execute_process(
          COMMAND bash ${CMAKE_SOURCE_DIR}/tools/build-codecs.sh ${CMAKE_SYSTEM_PROCESSOR} ${CMAKE_BINARY_DIR}/codecs
          RESULT_VARIABLE rc)
        if(NOT rc EQUAL 0)
          message(FATAL_ERROR "tools/build-codecs.sh failed (${rc})")
        endif()
      endif()
    endif()
    target_include_directories(${target} SYSTEM PUBLIC ${prefix}/include ${prefix}/include/opus)
    # Linked statically: no import declarations.
    target_compile_definitions(${target} PUBLIC FLAC__NO_DLL)
    set(libs "")
    foreach(l opusenc opusfile opus vorbisenc vorbisfile vorbis FLAC ogg)
      list(APPEND libs ${prefix}/lib/lib${l}.a)
    endforeach()
    target_link_libraries(${target} PUBLIC ${libs})
  else()
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(SONDREL_CODECS REQUIRED IMPORTED_TARGET flac vorbisfile vorbisenc vorbis ogg opusfile libopusenc opus)
    target_link_libraries(${target} PUBLIC PkgConfig::SONDREL_CODECS)
  endif()
endfunction()
