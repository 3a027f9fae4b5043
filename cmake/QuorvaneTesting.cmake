# One helper registers every test.
#
#   qv_add_test(NAME name SOURCES a.cpp b.cpp LIBS lib1 lib2 [SANITIZED] [LABELS l])
#
# SANITIZED also builds the test against the sanitized engine libraries
# (each LIBS entry `xbase...` is swapped for its `_san` twin) and registers it
# as `name_san`.
set(QV_SANITIZE_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)

# The engine syncs each posted record to the disk; scratch folders on a
# memory file system keep the tests from waiting on it.
# Only where it has room for the largest scratch tables (a container's
# /dev/shm is often 64 MB).
set(QV_TEST_TMP "")
if(IS_DIRECTORY /dev/shm)
  execute_process(COMMAND df --output=avail -k /dev/shm OUTPUT_VARIABLE shm_avail
                  RESULT_VARIABLE shm_df ERROR_QUIET)
  string(REGEX MATCH "[0-9]+" shm_avail "${shm_avail}")
  if(shm_df EQUAL 0 AND shm_avail AND shm_avail GREATER 1048576)
    set(QV_TEST_TMP "TMPDIR=/dev/shm")
  endif()
endif()

function(qv_add_test)
  cmake_parse_arguments(T "SANITIZED" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${T_NAME} PRIVATE
    QV_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    QV_XBCHECK="${PROJECT_SOURCE_DIR}/../shared/tools/xbcheck/xbcheck")
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  # A test that hangs fails after five minutes instead of holding the CI run.
  set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${QV_TEST_TMP}" LABELS "${T_LABELS}"
    TIMEOUT 300)

  if(T_SANITIZED AND QV_SANITIZED_ENGINE_TESTS)
    set(san_libs)
    foreach(lib IN LISTS T_LIBS)
      if(lib MATCHES "^xbase")
        list(APPEND san_libs ${lib}_san)
      else()
        list(APPEND san_libs ${lib})
      endif()
    endforeach()
    add_executable(${T_NAME}_san ${T_SOURCES})
    # The test's own code is checked, not optimised: -O0 halves its compile time.
    target_compile_options(${T_NAME}_san PRIVATE ${QV_SANITIZE_FLAGS} -O0)
    target_link_options(${T_NAME}_san PRIVATE ${QV_SANITIZE_FLAGS})
    target_link_libraries(${T_NAME}_san PRIVATE ${san_libs} GTest::gtest GTest::gtest_main)
    target_compile_definitions(${T_NAME}_san PRIVATE
      QV_SOURCE_DIR="${PROJECT_SOURCE_DIR}" QV_SANITIZED=1
      QV_XBCHECK="${PROJECT_SOURCE_DIR}/../shared/tools/xbcheck/xbcheck")
    target_include_directories(${T_NAME}_san PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
    add_test(NAME ${T_NAME}_san COMMAND ${T_NAME}_san)
    set_tests_properties(${T_NAME}_san PROPERTIES
      ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1:abort_on_error=1;UBSAN_OPTIONS=print_stacktrace=1;${QV_TEST_TMP}"
      LABELS "sanitized;${T_LABELS}" TIMEOUT 600)
  endif()
endfunction()

# A library of the engine, built twice: plain and with sanitizers (`name_san`).
#   qv_add_engine_library(NAME xbase_dbf SOURCES ... DEPS xbase_core)
function(qv_add_engine_library)
  cmake_parse_arguments(L "" "NAME" "SOURCES;DEPS" ${ARGN})
  add_library(${L_NAME} STATIC ${L_SOURCES})
  target_include_directories(${L_NAME} PUBLIC ${PROJECT_SOURCE_DIR}/src/xbase/include
                                       PRIVATE ${PROJECT_SOURCE_DIR}/src/xbase)
  target_link_libraries(${L_NAME} PUBLIC ${L_DEPS})
  if(QV_SANITIZED_ENGINE_TESTS)
    set(san_deps)
    foreach(dep IN LISTS L_DEPS)
      if(dep MATCHES "^xbase")
        list(APPEND san_deps ${dep}_san)
      else()
        list(APPEND san_deps ${dep})
      endif()
    endforeach()
    add_library(${L_NAME}_san STATIC EXCLUDE_FROM_ALL ${L_SOURCES})
    target_include_directories(${L_NAME}_san PUBLIC ${PROJECT_SOURCE_DIR}/src/xbase/include
                                             PRIVATE ${PROJECT_SOURCE_DIR}/src/xbase)
    # -O1 keeps the sanitized engine fast enough for the fuzz and oracle runs.
    target_compile_options(${L_NAME}_san PRIVATE ${QV_SANITIZE_FLAGS} -O1)
    target_link_libraries(${L_NAME}_san PUBLIC ${san_deps})
  endif()
endfunction()
