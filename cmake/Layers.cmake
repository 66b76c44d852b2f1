# One static library per architectural layer. Each layer names the layers it may
# use; a linkcheck module links the whole layer with --no-undefined against just
# those, so that a call into a layer it must not use fails the build.
function(corvane_layer name)
  cmake_parse_arguments(L "" "" "SOURCES;DEPS;SYSTEM" ${ARGN})
  add_library(corvane_${name} STATIC ${L_SOURCES})
  target_include_directories(corvane_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}
                                                    ${PROJECT_BINARY_DIR}/generated)
  set(deps)
  foreach(d IN LISTS L_DEPS)
    list(APPEND deps corvane_${d})
  endforeach()
  target_link_libraries(corvane_${name} PUBLIC ${deps} ${L_SYSTEM})
  target_compile_definitions(corvane_${name} PRIVATE
                             CORVANE_VERSION="${PROJECT_VERSION}")

  add_library(corvane_${name}_linkcheck MODULE ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
  target_link_libraries(corvane_${name}_linkcheck PRIVATE
    -Wl,--whole-archive corvane_${name} -Wl,--no-whole-archive ${deps} ${L_SYSTEM})
  target_link_options(corvane_${name}_linkcheck PRIVATE -Wl,--no-undefined)
  set_target_properties(corvane_${name}_linkcheck PROPERTIES
                        LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/linkcheck)
endfunction()
