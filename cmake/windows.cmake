# The Windows adapters and Pelomar.exe: a GUI program with the runtime linked
# statically, so the executable runs alone.
add_link_options(-static -static-libgcc -static-libstdc++)
# WINMM and OLE32 are never imported. WINMM is loaded from the system folder
# on first use (media/winmm_win32.cpp), since a winmm.dll beside the program
# would be loaded in its place; OLE32, which brings COM's run-time with it,
# is loaded once the window is up (shell/com_apartment_win32.cpp), since
# nothing before needs it; IMM32, for switching the input method off in the
# practice window, is loaded from the system folder when first wanted
# (shell/input_method_win32.cpp). The check below keeps all three out of the
# imports.
set(PELOMAR_WIN32_LIBS user32 gdi32 advapi32 shell32)

pelomar_win32_sources(PELOMAR_WIN32_SOURCES)
add_library(pelomar_win32 STATIC ${PELOMAR_WIN32_SOURCES})
target_link_libraries(pelomar_win32 PUBLIC pelomar_core ${PELOMAR_WIN32_LIBS})
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
                   "WINMM|OLE32|IMM32")
endif()
