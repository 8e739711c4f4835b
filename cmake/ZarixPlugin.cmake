# Helpers for building libraries that load into a zarixplugins host.

# zarix_add_module(<target> <sources>...)
# A shared module that links the one shared framework library and hides everything it does not
# export on purpose. GNU unique symbols are switched off: they would pin the module in memory
# after its last dlclose, and a plugin that is unloaded must really be unmapped.
function(zarix_add_module target)
  add_library(${target} MODULE ${ARGN})
  set_target_properties(${target} PROPERTIES CXX_VISIBILITY_PRESET hidden PREFIX "")
  target_compile_options(${target} PRIVATE -fno-gnu-unique)
  target_link_libraries(${target} PRIVATE zarixplugins)
endfunction()
