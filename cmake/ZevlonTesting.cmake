# Tests are GoogleTest executables, one per library folder, run through CTest.
include(CTest)
find_package(GTest REQUIRED)
# The Czech order of keys is checked against an independent collation.
find_package(ICU REQUIRED COMPONENTS uc i18n)
include(GoogleTest)

# zevlon_add_test(NAME name SOURCES a.cpp b.cpp LIBS lib...)
function(zevlon_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${T_NAME} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES LABELS "${T_LABELS}")
endfunction()

# zevlon_add_fuzzer(NAME name SOURCES a.cpp LIBS lib...)
function(zevlon_add_fuzzer)
  cmake_parse_arguments(F "" "NAME" "SOURCES;LIBS" ${ARGN})
  if(ZEVLON_FUZZ)
    add_executable(${F_NAME} ${F_SOURCES})
    target_compile_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
    target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
  endif()
endfunction()
