# Uses the framework the way its users do: installs BUILD into a fresh prefix, builds the plugin
# template (TEMPLATE) against that prefix with find_package, and loads the plugin with the
# installed zarixctl. pkg-config must describe the same library and version.
#   cmake -DBUILD=... -DTEMPLATE=... -DWORK=... -DGENERATOR=... -P installed_package_check.cmake
file(REMOVE_RECURSE ${WORK})
set(prefix ${WORK}/prefix)
function(run)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE code)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "failed (${code}): ${ARGN}\n${out}${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix})
# Only public headers are installed.
foreach(private manager/position_sort.h platform/os/elf_version_locator.h platform/os/library_check.h)
  if(EXISTS ${prefix}/include/zarix/${private})
    message(FATAL_ERROR "internal header installed: ${private}")
  endif()
endforeach()
run(${CMAKE_COMMAND} -S ${TEMPLATE} -B ${WORK}/template -G ${GENERATOR} -DCMAKE_PREFIX_PATH=${prefix})
run(${CMAKE_COMMAND} --build ${WORK}/template)
run(${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${prefix}/lib ${prefix}/bin/zarixctl plugins --folder ${WORK}/template)
if(NOT out MATCHES "1\\. [^\n]*\\(SZABLON\\) +version 1\\.0\\.0\\.0, priority 50, 1 command")
  message(FATAL_ERROR "the template plugin did not load:\n${out}")
endif()
# A request for another major version is refused.
file(WRITE ${WORK}/wants2/CMakeLists.txt "cmake_minimum_required(VERSION 3.25)\nproject(w NONE)\nfind_package(zarixplugins 2.0 REQUIRED)\n")
execute_process(COMMAND ${CMAKE_COMMAND} -S ${WORK}/wants2 -B ${WORK}/wants2/build -DCMAKE_PREFIX_PATH=${prefix}
                RESULT_VARIABLE code OUTPUT_QUIET ERROR_VARIABLE err)
if(code EQUAL 0 OR NOT err MATCHES "version: 1\\.")
  message(FATAL_ERROR "find_package(zarixplugins 2.0) accepted version 1:\n${err}")
endif()
find_program(PKG_CONFIG pkg-config)
if(PKG_CONFIG)
  run(${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${prefix}/lib/pkgconfig ${PKG_CONFIG} --modversion zarixplugins)
  set(version "${out}")
  run(${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${prefix}/lib/pkgconfig ${PKG_CONFIG} --libs zarixplugins)
  if(NOT version MATCHES "^1\\.[0-9]+\\.[0-9]+" OR NOT out MATCHES "-L[^ ]*/lib -lzarixplugins")
    message(FATAL_ERROR "pkg-config describes another library:\n${version}${out}")
  endif()
endif()
message("installed into ${prefix}; the template plugin loads")
