# The Windows adapters and Pelomar.exe: a GUI program with the runtime linked
# statically, so the executable runs alone.
add_link_options(-static -static-libgcc -static-libstdc++)
set(PELOMAR_WIN32_LIBS user32 gdi32 winmm advapi32 shell32 ole32)

# Wine takes about 15 ms to load each of SHELL32, OLE32 and WINMM, and a
# program waits for its imports before its first instruction. The functions
# Pelomar needs from them come from delay-import libraries instead: each DLL
# is loaded by the first call into it, and the program loads all three on a
# thread of its own while its window comes up. Anything not listed in
# cmake/delayed/*.def still links the ordinary way (the import check below
# keeps Pelomar.exe free of such imports).
if(PELOMAR_MINGW_TRIPLE)
  find_program(PELOMAR_DLLTOOL ${PELOMAR_MINGW_TRIPLE}-dlltool REQUIRED)
else()
  find_program(PELOMAR_DLLTOOL dlltool REQUIRED)  # MSYS2's MinGW-w64 shell on Windows
endif()
set(PELOMAR_DELAYED_LIBS)
foreach(dll shell32 ole32 winmm)
  # The lists carry i686's stdcall argument sizes; x86_64 names have none.
  set(source ${CMAKE_SOURCE_DIR}/cmake/delayed/${dll}.def)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  file(READ ${source} exports)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    string(REGEX REPLACE "@[0-9]+" "" exports "${exports}")
  endif()
  set(def ${CMAKE_BINARY_DIR}/delayed/${dll}.def)
  file(CONFIGURE OUTPUT ${def} CONTENT "${exports}")  # rewritten only when it changes
  set(lib ${CMAKE_BINARY_DIR}/delayed/lib${dll}_delayed.a)
  add_custom_command(OUTPUT ${lib}
                     COMMAND ${PELOMAR_DLLTOOL} --kill-at --input-def ${def} --output-delaylib ${lib}
                     DEPENDS ${def} VERBATIM)
  list(APPEND PELOMAR_DELAYED_LIBS ${lib})
endforeach()
add_custom_target(pelomar_delayed_libs DEPENDS ${PELOMAR_DELAYED_LIBS})

pelomar_win32_sources(PELOMAR_WIN32_SOURCES)
add_library(pelomar_win32 STATIC ${PELOMAR_WIN32_SOURCES})
add_dependencies(pelomar_win32 pelomar_delayed_libs)
target_link_libraries(pelomar_win32 PUBLIC pelomar_core ${PELOMAR_DELAYED_LIBS} ${PELOMAR_WIN32_LIBS})
target_compile_definitions(pelomar_win32 PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

set(PELOMAR_ICON ${PELOMAR_ASSET_DIR}/app.ico)
set(PELOMAR_MANIFEST ${CMAKE_BINARY_DIR}/generated/pelomar.manifest)
configure_file(${CMAKE_SOURCE_DIR}/app/pelomar.manifest.in ${PELOMAR_MANIFEST} @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/app/pelomar.rc.in ${CMAKE_BINARY_DIR}/generated/pelomar.rc @ONLY)
set_source_files_properties(${CMAKE_BINARY_DIR}/generated/pelomar.rc PROPERTIES OBJECT_DEPENDS
                            "${PELOMAR_ICON};${PELOMAR_MANIFEST}")

add_executable(Pelomar WIN32 ${CMAKE_SOURCE_DIR}/app/main_win32.cpp ${CMAKE_BINARY_DIR}/generated/pelomar.rc)
target_link_libraries(Pelomar PRIVATE pelomar_win32)

foreach(target Pelomar)
  # No link time in the header: the same sources give the same bytes.
  target_link_options(${target} PRIVATE -Wl,--gc-sections -s -Wl,--no-insert-timestamp)
endforeach()
foreach(target pelomar_core pelomar_win32 Pelomar)
  target_compile_options(${target} PRIVATE -ffunction-sections -fdata-sections)
endforeach()

# The executable must run alone: no MinGW runtime DLL among its imports.
if(PELOMAR_TESTS)
  add_test(NAME exe_imports
           COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/check_imports.sh ${CMAKE_OBJDUMP} $<TARGET_FILE:Pelomar>
                   "SHELL32|OLE32|WINMM")
endif()
