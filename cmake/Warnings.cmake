# One place for the compile flags every target of ours gets.
add_library(kelvantori_flags INTERFACE)
target_compile_options(kelvantori_flags INTERFACE -Wall -Wextra)
if(KELVANTORI_WERROR)
  target_compile_options(kelvantori_flags INTERFACE -Werror)
endif()
if(KELVANTORI_SANITIZE)
  target_compile_options(kelvantori_flags INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(kelvantori_flags INTERFACE -fsanitize=address,undefined)
endif()

# kelvantori_layer(NAME DIR [DEPS...]): one static library per source folder. Sources are taken
# from the folder itself; files under posix/ (or win32/) are added on that platform only, so the
# build picks the implementation file and no function body needs an #ifdef.
function(kelvantori_layer name)
  cmake_parse_arguments(L "" "" "DEPS" ${ARGN})
  file(GLOB common CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(WIN32)
    file(GLOB os CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/win32/*.cpp)
  else()
    file(GLOB os CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/posix/*.cpp)
  endif()
  if(NOT common AND NOT os)
    # A layer that holds only headers so far.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${L_DEPS})
    return()
  endif()
  add_library(${name} STATIC ${common} ${os})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${L_DEPS} PRIVATE kelvantori_flags)
endfunction()
