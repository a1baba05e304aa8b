# Shared build rules for the suite's binaries, the testbed and the tests.

set(SUITE_WINE_RUN ${CMAKE_SOURCE_DIR}/scripts/wine-run)
set(SUITE_WINE_ROOT ${CMAKE_BINARY_DIR}/wine)

# Warnings as errors and the Windows version a binary may rely on.
# WINNT is 0x0501 for everything that loads on XP.
function(suite_target target)
  cmake_parse_arguments(ARG "" "WINNT" "" ${ARGN})
  if(NOT ARG_WINNT)
    set(ARG_WINNT 0x0501)
  endif()
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  get_target_property(type ${target} TYPE)
  if(ARG_WINNT STREQUAL 0x0501 AND type MATCHES "EXECUTABLE|SHARED_LIBRARY")
    # Keeps the static runtime's GetTickCount64 import out of what loads on XP.
    target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/common/xp_tickcount.c)
    set_property(GLOBAL APPEND PROPERTY SUITE_XP_BINARIES ${target})
  endif()
  target_compile_definitions(${target} PRIVATE
    _WIN32_WINNT=${ARG_WINNT} WINVER=${ARG_WINNT} UNICODE _UNICODE NOMINMAX)
endfunction()

# A DLL with undecorated exports and fixed ordinals from a .def file.
function(suite_dll target)
  cmake_parse_arguments(ARG "" "OUTPUT_NAME;DEF;WINNT;FOLDER" "SOURCES;LIBS" ${ARGN})
  add_library(${target} SHARED ${ARG_SOURCES} ${ARG_DEF})
  suite_target(${target} WINNT ${ARG_WINNT})
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${ARG_OUTPUT_NAME})
  if(ARG_FOLDER)
    set_target_properties(${target} PROPERTIES
      RUNTIME_OUTPUT_DIRECTORY ${SUITE_BIN}/${ARG_FOLDER}
      LIBRARY_OUTPUT_DIRECTORY ${SUITE_BIN}/${ARG_FOLDER})
  endif()
  target_link_options(${target} PRIVATE -Wl,--enable-stdcall-fixup -Wl,--kill-at)
  target_link_libraries(${target} PRIVATE ${ARG_LIBS})
endfunction()

# Product code: it throws and catches nothing and asks no type at run time, so it is
# built without either; each function and datum gets a section of its own for the
# linker to drop what nothing calls. Debug information is made for the symbols kept
# beside the shipped binaries, never shipped itself. -fcheck-new: an operator new
# may return null without being declared non-throwing (GDI+'s GdipAlloc behind
# GdiplusBase), and without the flag GCC runs the constructor on null and drops
# the caller's own check for it.
function(suite_product target)
  target_compile_options(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti -fcheck-new> -ffunction-sections
    -fdata-sections -g)
endfunction()

# The version record of a shipped binary (TYPE VFT_APP or VFT_DLL), from the
# project's version.
function(suite_version_info target type description)
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  if(type STREQUAL "VFT_APP")
    set(SUITE_ORIGINAL_FILENAME ${name}.exe)
  else()
    set(SUITE_ORIGINAL_FILENAME ${name}.dll)
  endif()
  set(SUITE_FILE_TYPE ${type})
  set(SUITE_FILE_DESCRIPTION ${description})
  set(SUITE_INTERNAL_NAME ${name})
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

# A binary the installer ships: product code with the suite's own allocation (no
# exception runtime behind it) and unused sections dropped, and its version record.
# Code is stripped once linked, its debug information kept aside in
# bin/symbols/NAME.debug and linked back by name, so a crash address can still be
# read. A RESOURCES_ONLY library has neither code nor debug information.
function(suite_shipped target)
  cmake_parse_arguments(ARG "RESOURCES_ONLY" "TYPE;DESCRIPTION" "" ${ARGN})
  suite_version_info(${target} ${ARG_TYPE} "${ARG_DESCRIPTION}")
  set_property(GLOBAL APPEND PROPERTY SUITE_SHIPPED_BINARIES ${target})
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${SUITE_SIGN_INPUTS})
  if(ARG_RESOURCES_ONLY)
    add_custom_command(TARGET ${target} POST_BUILD COMMAND ${SUITE_SIGN} $<TARGET_FILE:${target}>
                       VERBATIM)
    return()
  endif()
  suite_product(${target})
  target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/common/allocation.cpp)
  target_link_options(${target} PRIVATE -Wl,--gc-sections)
  set(symbols ${SUITE_BIN}/symbols)
  set(debug ${symbols}/$<TARGET_FILE_BASE_NAME:${target}>.debug)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${symbols}
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> ${debug}
    COMMAND ${CMAKE_STRIP} --strip-all $<TARGET_FILE:${target}>
    COMMAND ${CMAKE_OBJCOPY} --add-gnu-debuglink=${debug} $<TARGET_FILE:${target}>
    # Last: the signature covers the bytes that ship.
    COMMAND ${SUITE_SIGN} $<TARGET_FILE:${target}>
    VERBATIM)
endfunction()

# The import library of an outside DLL made from a .def file of what the suite
# calls in it (names, ordinals, the vendor compiler's decorations), never from a
# build of the DLL itself. A target linking NAME_import gets it, built first.
function(suite_import_library name def dll)
  set(implib ${CMAKE_CURRENT_BINARY_DIR}/lib${name}.a)
  add_custom_command(
    OUTPUT ${implib}
    COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --dllname ${dll} --output-lib ${implib}
    DEPENDS ${def}
    COMMENT "Import library of ${dll}"
    VERBATIM)
  add_custom_target(${name}_implib DEPENDS ${implib})
  add_library(${name}_import INTERFACE)
  add_dependencies(${name}_import ${name}_implib)
  target_link_libraries(${name}_import INTERFACE ${implib})
endfunction()

# A GoogleTest program (with the tests' own main, tests/support) in bin/tests; DEPENDS names what must be
# built beside it (the programs and stand-ins an end-to-end test starts).
function(suite_test_program name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;DEPENDS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  suite_target(${name} WINNT 0x0601)
  target_link_libraries(${name} PRIVATE test_main ${ARG_LIBS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${SUITE_BIN}/tests)
  if(ARG_DEPENDS)
    add_dependencies(${name} ${ARG_DEPENDS})
  endif()
endfunction()

# A test run under Wine in its own clone of the prefix for WINDOWS (winxp, vista,
# win7, winxp64). Either builds its program from SOURCES or runs the program
# TARGET, optionally with a gtest FILTER, so one program can be registered once
# per Windows version. DISPLAY gives the test a real X display (Xvfb) instead of
# the headless driver; DESKTOP WxH runs it in a Wine virtual desktop there.
# IN_APP_DIR runs the program from the installed suite's folder, for in-process
# tests of code that loads libraries from its program's folder.
function(suite_test name)
  cmake_parse_arguments(ARG "DISPLAY;IN_APP_DIR" "WINDOWS;TARGET;FILTER;TIMEOUT;DESKTOP" "SOURCES;LIBS;DEPENDS" ${ARGN})
  if(NOT ARG_WINDOWS)
    set(ARG_WINDOWS win7)
  endif()
  if(NOT ARG_TARGET)
    set(ARG_TARGET ${name})
    suite_test_program(${name} SOURCES ${ARG_SOURCES} LIBS ${ARG_LIBS} DEPENDS ${ARG_DEPENDS})
  endif()
  set(args)
  if(ARG_FILTER)
    set(args --gtest_filter=${ARG_FILTER})
  endif()
  set(screen)
  if(ARG_DISPLAY OR ARG_DESKTOP)
    set(screen --display)
  endif()
  if(ARG_DESKTOP)
    list(APPEND screen --desktop ${ARG_DESKTOP})
  endif()
  if(ARG_IN_APP_DIR)
    list(APPEND screen --in-app-dir)
  endif()
  add_test(NAME ${name}
    COMMAND ${SUITE_WINE_RUN} --root ${SUITE_WINE_ROOT} --bin ${SUITE_BIN}
            --windows ${ARG_WINDOWS} --isolate ${name} ${screen}
            $<TARGET_FILE:${ARG_TARGET}> ${args})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
endfunction()
