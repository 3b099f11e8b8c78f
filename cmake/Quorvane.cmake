# Helpers shared by every subsystem's CMakeLists.txt.

# qv_product(TARGET NAME) places a deliverable in products/<NAME>/, the folder
# layout it is installed with, so data files can be copied beside it. The
# deliverable goes without its debugging information (most of its size, and
# under Wine time at every start: the loader copies every section); a debugger
# finds it in symbols/<file>.debug, which the deliverable names.
function(qv_product target name)
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ${name}
    RUNTIME_OUTPUT_DIRECTORY ${QV_PRODUCTS_DIR}/${name}
    LIBRARY_OUTPUT_DIRECTORY ${QV_PRODUCTS_DIR}/${name})
  set(symbols ${QV_SYMBOLS_DIR}/$<TARGET_FILE_NAME:${target}>.debug)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${QV_SYMBOLS_DIR}
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> ${symbols}
    COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=${symbols} $<TARGET_FILE:${target}>)
endfunction()

# qv_product_files(TARGET NAME [DEST subfolder] FILES...) copies data files
# (language packs, scripts, samples) into the deliverable's folder at build time.
function(qv_product_files target name)
  cmake_parse_arguments(A "" "DEST" "FILES" ${ARGN})
  set(dest ${QV_PRODUCTS_DIR}/${name})
  if(A_DEST)
    set(dest ${dest}/${A_DEST})
  endif()
  foreach(f IN LISTS A_FILES)
    get_filename_component(fn ${f} NAME)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dest}
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${f} ${dest}/${fn})
  endforeach()
endfunction()

# qv_add_test(NAME SOURCES... LIBS...) builds one GoogleTest executable and
# registers it as one CTest test: each Wine start costs a second or more, so
# the cases are not registered one by one.
function(qv_add_test name)
  cmake_parse_arguments(A "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LIBS} qv_gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/bin)
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${A_TIMEOUT})
endfunction()
