# The payload of the install file, in one place: the program first, then the
# manual's pages (kind "Manual": the Manual subfolder of the program folder),
# then the MP3 encoder. From this list the build generates the program's
# install file table and packs bin/SondrelSetup.exe beside bin/sondrel.exe.
#
#   sondrel_install_payload(<program target>)
#
# SONDREL_LAME_EXE: the encoder to pack (built by the target "lame" from
# Debian's source package, tools/build-lame.sh), so the install is built after it.
set(SONDREL_LAME_EXE ${CMAKE_BINARY_DIR}/bin/lame.exe CACHE FILEPATH "lame.exe packed into the install file")

function(sondrel_install_payload program)
  # kind|name|path|required-or-optional
  set(payload "|sondrel.exe|$<TARGET_FILE:${program}>|required")
  foreach(f ${SONDREL_MANUAL_FILES})
    list(APPEND payload "Manual|${f}|${SONDREL_MANUAL_DIR}/${f}|required")
  endforeach()
  list(APPEND payload "|lame.exe|${SONDREL_LAME_EXE}|required")

  set(entries "")
  set(pack_args "")
  foreach(p ${payload})
    string(REPLACE "|" ";" fields "${p}")
    list(GET fields 0 kind)
    list(GET fields 1 name)
    list(GET fields 2 path)
    list(GET fields 3 need)
    string(APPEND entries "    {\"${kind}\", \"${name}\"},\n")
    if(need STREQUAL "optional")
      list(APPEND pack_args "?${path}")
    else()
      list(APPEND pack_args "${path}")
    endif()
  endforeach()
  set(table ${CMAKE_BINARY_DIR}/generated/InstallFileTable.cpp)
  file(GENERATE OUTPUT ${table} CONTENT "// Generated from install/Payload.cmake: the install file table.
#include \"install/LInstallTable.h\"

namespace sondrel {

namespace {
const LInstallFile kFiles[] = {
${entries}};
}  // namespace

const LInstallFile* InstallFileTable(size_t* count) {
    if (count) *count = sizeof kFiles / sizeof kFiles[0];
    return kFiles;
}

}  // namespace sondrel
")
  target_sources(${program} PRIVATE ${table})
  set(SONDREL_INSTALL_TABLE ${table} PARENT_SCOPE)

  # The packing tool runs on the build machine.
  set(mksetup_src ${CMAKE_SOURCE_DIR}/tools/mksetup/mksetup.cpp ${CMAKE_SOURCE_DIR}/install/LInstallLayout.cpp)
  if(CMAKE_CROSSCOMPILING)
    find_program(SONDREL_HOST_CXX NAMES c++ g++ clang++ REQUIRED)
    set(mksetup ${CMAKE_BINARY_DIR}/host/mksetup)
    add_custom_command(OUTPUT ${mksetup}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host
      COMMAND ${SONDREL_HOST_CXX} -std=c++20 -O2 -I${CMAKE_SOURCE_DIR} ${mksetup_src} -o ${mksetup}
      DEPENDS ${mksetup_src} ${CMAKE_SOURCE_DIR}/install/LInstallLayout.h
      COMMENT "Building the install file packer for the build machine" VERBATIM)
    add_custom_target(sondrel_mksetup DEPENDS ${mksetup})
  else()
    add_executable(sondrel_mksetup ${mksetup_src})
    target_include_directories(sondrel_mksetup PRIVATE ${CMAKE_SOURCE_DIR})
    set(mksetup $<TARGET_FILE:sondrel_mksetup>)
  endif()

  # Packed on every build: the encoder may appear or change between builds.
  set(setup ${CMAKE_BINARY_DIR}/bin/SondrelSetup.exe)
  add_custom_target(sondrel_setup ALL
    COMMAND ${mksetup} ${setup} ${pack_args}
    BYPRODUCTS ${setup}
    COMMENT "Packing SondrelSetup.exe" VERBATIM)
  add_dependencies(sondrel_setup sondrel_mksetup ${program} sondrel_manual)
  if(TARGET lame)
    add_dependencies(sondrel_setup lame)
  endif()
endfunction()
