# One static library per layer of core/. A layer's headers are reached as
# "<folder>/<file>.h" (folder relative to core/, such as "server" or
# "platform/curl") only through a staging folder of its own that holds a
# single link, <stage>/<folder> -> core/<folder>. No target has core/ itself
# on its include path, so a file sees exactly the layers its target links:
# an include of a layer above (or of an unrelated one) is "file not found".
#
#   sorvalind_add_layer(<target>
#     [LINKS <targets and packages its public headers need>...]
#     [PRIVATE_LINKS <what only its sources need>...])
#
# Sources are every *.cpp of the calling folder; a folder of headers only
# becomes an INTERFACE library.
set(SORVALIND_CORE_DIR ${CMAKE_CURRENT_LIST_DIR}/../core)
cmake_path(NORMAL_PATH SORVALIND_CORE_DIR)

function(sorvalind_add_layer target)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "" "LINKS;PRIVATE_LINKS")
  cmake_path(RELATIVE_PATH CMAKE_CURRENT_SOURCE_DIR BASE_DIRECTORY ${SORVALIND_CORE_DIR}
             OUTPUT_VARIABLE folder)
  string(REGEX REPLACE "/$" "" folder "${folder}")
  set(stage ${CMAKE_BINARY_DIR}/layers/${target})
  cmake_path(GET folder PARENT_PATH parent)
  file(MAKE_DIRECTORY ${stage}/${parent})
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${stage}/${folder} SYMBOLIC)

  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(sources)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${stage})
    target_link_libraries(${target} PUBLIC ${ARG_LINKS} PRIVATE ${ARG_PRIVATE_LINKS})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${stage})
    target_link_libraries(${target} INTERFACE ${ARG_LINKS} ${ARG_PRIVATE_LINKS})
  endif()
  set_property(GLOBAL APPEND PROPERTY SORVALIND_LAYERS ${target})
endfunction()
