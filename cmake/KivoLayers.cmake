# kivo_layer(NAME FOLDERS folder... [LINKS link-args...])
# One static library per layer from the .cpp and .h files of its folders. LINKS are the layer's
# declared dependencies (target_link_libraries arguments): only layers below it.
#
# A static library does not check its own references, so each layer also gets a link check:
# layer_check_<name> links every object of the layer (whole archive) with nothing but the declared
# dependencies. A call from a lower layer into a higher one leaves an undefined reference there and
# the build stops.
function(kivo_layer name)
  cmake_parse_arguments(L "" "" "FOLDERS;LINKS" ${ARGN})
  set(sources)
  foreach(folder ${L_FOLDERS})
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp
         ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.h)
    list(APPEND sources ${found})
  endforeach()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  if(L_LINKS)
    target_link_libraries(${name} ${L_LINKS})
  endif()

  add_executable(layer_check_${name} ${PROJECT_SOURCE_DIR}/cmake/layer_check.cpp)
  target_link_libraries(layer_check_${name} PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${name}>")
endfunction()
