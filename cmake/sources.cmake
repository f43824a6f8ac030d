# Source files are found by convention, so a new file needs no build edit:
#   <folder>/*.cpp            portable logic, built for every target
#   <folder>/*_win32.cpp      platform adapters, built for Windows only
#   app/main_win32.cpp        the program entry
set(PELOMAR_SOURCE_FOLDERS app chart media ui settings shell text practice)

function(pelomar_logic_sources out)
  set(files "")
  foreach(dir IN LISTS PELOMAR_SOURCE_FOLDERS)
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
    list(APPEND files ${found})
  endforeach()
  list(FILTER files EXCLUDE REGEX "_win32\\.cpp$")
  set(${out} ${files} PARENT_SCOPE)
endfunction()

function(pelomar_win32_sources out)
  set(files "")
  foreach(dir IN LISTS PELOMAR_SOURCE_FOLDERS)
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*_win32.cpp)
    list(APPEND files ${found})
  endforeach()
  list(FILTER files EXCLUDE REGEX "/app/main_win32\\.cpp$")
  set(${out} ${files} PARENT_SCOPE)
endfunction()
